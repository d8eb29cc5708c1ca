#include "profiles/json_access.h"

#include <cmath>
#include <limits>

namespace qv {

const Json::Value* JsonMember(const Json::Value& value, const char* key) {
  if (!value.isObject()) return nullptr;
  const Json::Value* found = value.find(key, key + std::char_traits<char>::length(key));
  if (found == nullptr || found->isNull()) return nullptr;
  return found;
}

const Json::Value* JsonElement(const Json::Value& value, Json::ArrayIndex index) {
  if (!value.isArray() || index >= value.size()) return nullptr;
  const Json::Value& element = value[index];
  return element.isNull() ? nullptr : &element;
}

bool JsonInt64Of(const Json::Value& value, int64_t* out) {
  switch (value.type()) {
    case Json::intValue:
      *out = value.asInt64();
      return true;
    case Json::uintValue:
      *out = static_cast<int64_t>(value.asUInt64());
      return true;
    case Json::realValue: {
      const double d = value.asDouble();
      // Only integral reals inside the 64-bit range; anything else is not a number we wrote.
      if (!std::isfinite(d) || std::trunc(d) != d || d < -9.2e18 || d > 9.2e18) return false;
      *out = static_cast<int64_t>(d);
      return true;
    }
    default:
      return false;
  }
}

bool JsonIntOf(const Json::Value& value, int* out) {
  int64_t v = 0;
  if (value.type() == Json::uintValue && value.asUInt64() > uint64_t{INT64_MAX}) return false;
  if (!JsonInt64Of(value, &v)) return false;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  *out = static_cast<int>(v);
  return true;
}

bool JsonInt64(const Json::Value& object, const char* key, int64_t* out) {
  const Json::Value* member = JsonMember(object, key);
  return member != nullptr && JsonInt64Of(*member, out);
}

bool JsonInt(const Json::Value& object, const char* key, int* out) {
  const Json::Value* member = JsonMember(object, key);
  return member != nullptr && JsonIntOf(*member, out);
}

bool JsonByte(const Json::Value& object, const char* key, uint8_t* out) {
  int64_t v = 0;
  if (!JsonInt64(object, key, &v)) return false;
  *out = static_cast<uint8_t>(static_cast<uint64_t>(v) & 0xFFu);
  return true;
}

bool JsonU16(const Json::Value& object, const char* key, uint16_t* out) {
  int64_t v = 0;
  if (!JsonInt64(object, key, &v)) return false;
  *out = static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xFFFFu);
  return true;
}

bool JsonFlag(const Json::Value& object, const char* key, bool* out) {
  const Json::Value* member = JsonMember(object, key);
  if (member == nullptr) return false;
  if (member->isBool()) {
    *out = member->asBool();
    return true;
  }
  int64_t v = 0;
  if (!JsonInt64Of(*member, &v)) return false;
  *out = v != 0;
  return true;
}

bool JsonString(const Json::Value& object, const char* key, std::string* out) {
  const Json::Value* member = JsonMember(object, key);
  if (member == nullptr || !member->isString()) return false;
  *out = member->asString();
  return true;
}

Json::Value& JsonEnsureObject(Json::Value& value) {
  if (!value.isObject()) value = Json::Value(Json::objectValue);
  return value;
}

Json::Value& JsonEnsureArray(Json::Value& value) {
  if (!value.isArray()) value = Json::Value(Json::arrayValue);
  return value;
}

Json::Value& JsonObjectMember(Json::Value& value, const char* key) {
  return JsonEnsureObject(value)[key];
}

Json::Value& JsonArrayElement(Json::Value& value, Json::ArrayIndex index) {
  return JsonEnsureArray(value)[index];
}

}  // namespace qv
