// Stand-in host: conversions between UTF-8 text and the host's wide strings.
#pragma once
#include <string>

std::string WideToUtf8(const std::wstring& w);
std::wstring Utf8ToWide(const std::string& s);
