#pragma once

#include "toolkit/core/CString.h"

namespace Zorvane {

// The rows of the configuration store as the program holds them. Texts are
// UTF-16 here and UTF-8 in the database; fields are in table column order.

struct ProfileRecord {
  int profile = 0;
  Nuvex::CString name;
  Nuvex::CString app;
  int type = 0;
  int status = 0;  // 1: the active profile
};

// A text snippet.
struct TextRecord {
  int text_id = 0;
  Nuvex::CString name;
  Nuvex::CString content;
  int type = 0;
  int status = 0;
};

// What one mouse button does in one profile. A button without a row keeps
// its catalogue default.
struct KeyAssignment {
  int key_id = 0;
  int profile = 0;
  int fn_layer = 0;
  int key_code = 0;
  int layout_value = 0;
  Nuvex::CString layout_desc;
  int macro_type = 0;
  int macro_value = 0;
  int macro_value2 = 0;
  int macro_value3 = 0;
  Nuvex::CString macro_desc;
};

// The parameter of a run-program or open-address assignment.
struct KeyOtherRecord {
  Nuvex::CString macro_desc;
  Nuvex::CString param;
  int type = 0;
};

struct LightModeRecord {
  int light_id = 0;
  int profile = 0;
  Nuvex::CString name;
  int mode = 0;
  int brightness = 0;
  int speed = 0;
  int direction = 0;
  int colorful = 0;
  int colorindex = 0;
  int color_value = 0;
  int config_func = 0;
  int reserved = 0;
  int status = 0;  // 1: the profile's active mode
};

struct MacroRecord {
  int macro_id = 0;
  Nuvex::CString name;
  int play_type = 0;
  int play_times = 0;
  int delay_type = 0;
  int delay_time = 0;
};

// One recorded event of a macro; events are ordered by record_index.
struct MacroEventRecord {
  int record_id = 0;
  int macro_id = 0;
  int type = 0;
  int record_index = 0;
  int value = 0;
  int delay_time = 0;
  Nuvex::CString desc;
};

}  // namespace Zorvane
