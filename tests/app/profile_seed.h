// Test support: a selected keyboard profile of the user's own, made from the factory default
// with another light mode, under the XDG data folder `dataHome` that the test points the program
// at.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace qv::test {

// The seeded profile's identifier, of the form profile identifiers take.
inline constexpr char kSeededProfileId[] = "2024_01_01_00_00_00_000";

inline void SeedKeyboardProfile(const QString& dataHome, int mode) {
  const QString folder = dataHome + QStringLiteral("/QV5307/keyboard/");
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile list(folder + QStringLiteral("ProfileList.ini"));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write(QByteArray(R"({"profilelist":[{"profileUUID":")") + kSeededProfileId +
             R"(","profilename":"Seeded"}],"profileselect":0})");
  list.close();
  QFile source(QStringLiteral(QV_SOURCE_DIR "/data/DefaultData/keyboard.Json"));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  QByteArray text = source.readAll();
  const qsizetype at = text.indexOf("\"SelectItem\"");
  ASSERT_GE(at, 0);
  const qsizetype colon = text.indexOf(':', at);
  qsizetype end = colon + 1;
  while (end < text.size() && (text[end] == ' ' || (text[end] >= '0' && text[end] <= '9'))) ++end;
  text.replace(colon + 1, end - colon - 1, " " + QByteArray::number(mode));
  QFile profile(folder + QLatin1String(kSeededProfileId) + QStringLiteral(".Json"));
  ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
  profile.write(text);
}

}  // namespace qv::test
