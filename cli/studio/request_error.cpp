#include "cli/studio/request_error.h"

#include <climits>
#include <cmath>

namespace {

const nlohmann::json& Field(const nlohmann::json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) throw RequestError(400, std::string("the request has no \"") + name + "\"");
  return *it;
}

[[noreturn]] void WrongType(const char* name, const char* what) {
  throw RequestError(400, std::string("\"") + name + "\" must be " + what);
}

}  // namespace

nlohmann::json ParseRequestObject(const std::string& body) {
  nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
  if (parsed.is_discarded()) throw RequestError(400, "the request body is not JSON");
  if (!parsed.is_object()) throw RequestError(400, "the request body must be a JSON object");
  return parsed;
}

int IntField(const nlohmann::json& object, const char* name) {
  const nlohmann::json& v = Field(object, name);
  if (v.is_number_integer()) {
    if (v.is_number_unsigned() ? v.get<unsigned long long>() > INT_MAX
                               : (v.get<long long>() > INT_MAX || v.get<long long>() < INT_MIN))
      WrongType(name, "an integer that fits 32 bits");
    return v.get<int>();
  }
  if (v.is_number_float()) {
    const double d = v.get<double>();
    if (std::isfinite(d) && d == std::floor(d) && d >= INT_MIN && d <= INT_MAX) return static_cast<int>(d);
  }
  WrongType(name, "an integer");
}

double NumberField(const nlohmann::json& object, const char* name) {
  const nlohmann::json& v = Field(object, name);
  if (!v.is_number()) WrongType(name, "a number");
  const double d = v.get<double>();
  if (!std::isfinite(d)) WrongType(name, "a finite number");
  return d;
}

bool BoolField(const nlohmann::json& object, const char* name) {
  const nlohmann::json& v = Field(object, name);
  if (!v.is_boolean()) WrongType(name, "true or false");
  return v.get<bool>();
}

std::string StringField(const nlohmann::json& object, const char* name) {
  const nlohmann::json& v = Field(object, name);
  if (!v.is_string()) WrongType(name, "a string");
  return v.get<std::string>();
}
