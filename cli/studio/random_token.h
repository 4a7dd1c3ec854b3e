// The studio's access token: 128 bits from the operating system's random
// source, as 32 lowercase hex digits.
#pragma once
#include <string>

// Empty, with the reason, when the random source fails.
std::string MakeRandomToken(std::string& error);

// Whether a equals b, in a time that does not depend on where they differ.
bool SameToken(const std::string& a, const std::string& b);
