#pragma once

// Marks the classes and functions that libNuvex exports. Everything else in
// the library is built with hidden visibility and stays internal.
#if defined(NUVEX_BUILDING)
#define NUVEX_API __attribute__((visibility("default")))
#else
#define NUVEX_API
#endif
