// Whether this test program runs under AddressSanitizer, where the heaviest
// bakes take minutes instead of seconds.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define FW_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FW_SANITIZED 1
#endif
#endif
#ifndef FW_SANITIZED
#define FW_SANITIZED 0
#endif
