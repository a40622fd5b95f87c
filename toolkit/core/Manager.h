#pragma once

#include "toolkit/core/CString.h"
#include "toolkit/core/Color.h"
#include "toolkit/core/NuvexExport.h"

namespace Nuvex {

// The program module as the toolkit sees it: an opaque handle the program
// hands over at start-up (on Linux, its dlopen handle).
using HINSTANCE = void*;

// Process-wide toolkit settings: the program instance, the default font, the
// device name every process-wide name derives from, the theme folder and the
// selection colour.
//
// Thread rule: the program sets these once at start-up, before it creates a
// window or starts a thread; afterwards every thread only reads them. The
// values are plain statics without a lock, so a setter must never race with
// a reader.
class NUVEX_API Manager {
 public:
  Manager() = delete;

  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();

  // Defaults of controls created afterwards; existing controls keep theirs.
  static void SetFont(const CString& name, int size);
  static void SetFontName(const CString& name);
  static CString GetFontName();  // "Segoe UI" until set
  static int GetFontWidth();     // 14 pixels until set

  static void SetDeviceName(const CString& name);
  static CString GetDeviceName();  // "Zorvane" until set

  // The theme folder below "skins\", with its trailing backslash; image paths
  // are built by plain concatenation.
  static CString GetTheme();

  // Accent colour of hover and selection outlines.
  static Color GetSelectColor();

  // A trace hook; it is deliberately empty (the toolkit writes no log).
  static void M_Trace(const char16_t* text);
};

}  // namespace Nuvex
