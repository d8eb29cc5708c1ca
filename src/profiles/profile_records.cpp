#include "profiles/profile_records.h"

namespace qv {

namespace {

uint8_t ByteOf(uint32_t word, int index) {
  return static_cast<uint8_t>(word >> (8 * index));
}

uint32_t WordOf(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t{b0} | (uint32_t{b1} << 8) | (uint32_t{b2} << 16) | (uint32_t{b3} << 24);
}

}  // namespace

std::array<uint8_t, 14> LightSettings::Bytes() const {
  return {selectItem, light,       speed,       fx,          multiColor,  red,         green,
          blue,       reserved[0], reserved[1], reserved[2], zzccLedMode, customGroup, oldLedMode};
}

LightSettings LightSettings::FromBytes(const std::array<uint8_t, 14>& b) {
  LightSettings s;
  s.selectItem = b[0];
  s.light = b[1];
  s.speed = b[2];
  s.fx = b[3];
  s.multiColor = b[4];
  s.red = b[5];
  s.green = b[6];
  s.blue = b[7];
  s.reserved[0] = b[8];
  s.reserved[1] = b[9];
  s.reserved[2] = b[10];
  s.zzccLedMode = b[11];
  s.customGroup = b[12];
  s.oldLedMode = b[13];
  return s;
}

void LightSettings::ToWords(uint32_t* w0, uint32_t* w1, uint32_t* w2, uint16_t* h) const {
  const std::array<uint8_t, 14> b = Bytes();
  *w0 = WordOf(b[0], b[1], b[2], b[3]);
  *w1 = WordOf(b[4], b[5], b[6], b[7]);
  *w2 = WordOf(b[8], b[9], b[10], b[11]);
  *h = static_cast<uint16_t>(b[12] | (b[13] << 8));
}

LightSettings LightSettings::FromWords(uint32_t w0, uint32_t w1, uint32_t w2, uint16_t h) {
  std::array<uint8_t, 14> b{};
  for (int i = 0; i < 4; ++i) {
    b[i] = ByteOf(w0, i);
    b[4 + i] = ByteOf(w1, i);
    b[8 + i] = ByteOf(w2, i);
  }
  b[12] = static_cast<uint8_t>(h);
  b[13] = static_cast<uint8_t>(h >> 8);
  return FromBytes(b);
}

void AudioLightSettings::ToWords(uint32_t* w0, uint32_t* w1, uint32_t* w2) const {
  *w0 = WordOf(audioMode, bkColorR, bkColorG, bkColorB);
  *w1 = WordOf(fgColorR, fgColorG, fgColorB, sevenColorFlags);
  *w2 = colorTypeFlags;
}

AudioLightSettings AudioLightSettings::FromWords(uint32_t w0, uint32_t w1, uint32_t w2) {
  AudioLightSettings s;
  s.audioMode = ByteOf(w0, 0);
  s.bkColorR = ByteOf(w0, 1);
  s.bkColorG = ByteOf(w0, 2);
  s.bkColorB = ByteOf(w0, 3);
  s.fgColorR = ByteOf(w1, 0);
  s.fgColorG = ByteOf(w1, 1);
  s.fgColorB = ByteOf(w1, 2);
  s.sevenColorFlags = ByteOf(w1, 3);
  s.colorTypeFlags = w2;
  return s;
}

}  // namespace qv
