// Type-checked access to JSON documents read from disk.
//
// Every reader of a user or imported file goes through these helpers instead of jsoncpp's
// asInt()/asString()/operator[] on const values, which throw on a value of the wrong type. A
// value that is absent, null or of the wrong type reads as absent: the getters return false and
// leave *out untouched. Numbers are accepted when they are integral (an integral real such as
// 3.0 counts); strings, booleans, arrays and objects never read as numbers. Flags accept a
// boolean or a number (non-zero is true).
//
// The write-side helpers give a value the shape the caller needs (object or array), replacing a
// value of another type, so that jsoncpp's non-const operator[] cannot throw either.
//
// No function here throws. Pure functions; callable from any thread on values the caller owns.
#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>

namespace qv {

// The member `key` of `value` when `value` is an object holding it with a non-null value.
const Json::Value* JsonMember(const Json::Value& value, const char* key);
// Element `index` of `value` when `value` is an array that long and the element is not null.
const Json::Value* JsonElement(const Json::Value& value, Json::ArrayIndex index);

// Integral number of any size that fits 64 bits (an unsigned above INT64_MAX keeps its bits).
bool JsonInt64Of(const Json::Value& value, int64_t* out);
bool JsonIntOf(const Json::Value& value, int* out);  // within the range of int only

bool JsonInt(const Json::Value& object, const char* key, int* out);
bool JsonInt64(const Json::Value& object, const char* key, int64_t* out);
bool JsonByte(const Json::Value& object, const char* key, uint8_t* out);  // modulo 256
bool JsonU16(const Json::Value& object, const char* key, uint16_t* out);  // modulo 65536
bool JsonFlag(const Json::Value& object, const char* key, bool* out);
bool JsonString(const Json::Value& object, const char* key, std::string* out);

// Shorthands for "absent reads as 0" fields.
inline uint8_t JsonByteOr0(const Json::Value& object, const char* key) {
  uint8_t v = 0;
  JsonByte(object, key, &v);
  return v;
}
inline uint16_t JsonU16Or0(const Json::Value& object, const char* key) {
  uint16_t v = 0;
  JsonU16(object, key, &v);
  return v;
}
inline uint8_t JsonFlagOr0(const Json::Value& object, const char* key) {
  bool v = false;
  JsonFlag(object, key, &v);
  return v ? 1 : 0;
}
inline int JsonIntOr0(const Json::Value& object, const char* key) {
  int v = 0;
  JsonInt(object, key, &v);
  return v;
}

// Makes `value` an object (an empty one when it held anything else) and returns it.
Json::Value& JsonEnsureObject(Json::Value& value);
// Makes `value` an array (an empty one when it held anything else) and returns it.
Json::Value& JsonEnsureArray(Json::Value& value);
// Member `key` of `value`, made an object first when needed.
Json::Value& JsonObjectMember(Json::Value& value, const char* key);
// Element `index` of `value`, made an array first when needed; the array grows to index + 1.
// Callers bound `index` before calling.
Json::Value& JsonArrayElement(Json::Value& value, Json::ArrayIndex index);

}  // namespace qv
