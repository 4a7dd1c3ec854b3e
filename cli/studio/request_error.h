// A request the studio refuses: the HTTP status and the message the page shows.
// Thrown by the checks of a request before anything changes; the server turns
// it into the response.
#pragma once
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

class RequestError : public std::runtime_error {
 public:
  RequestError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

// A request body that must be a JSON object (400 otherwise).
nlohmann::json ParseRequestObject(const std::string& body);
// Fields of such an object, with their types checked (400 when missing or of
// another type). Integers must be whole numbers that fit an int.
int IntField(const nlohmann::json& object, const char* name);
double NumberField(const nlohmann::json& object, const char* name);
bool BoolField(const nlohmann::json& object, const char* name);
std::string StringField(const nlohmann::json& object, const char* name);
