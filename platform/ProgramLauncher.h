#pragma once

#include <string>
#include <vector>

namespace Platform {

// Starts the program at the absolute `path` with `arguments` (no shell, so
// nothing in them is expanded) and lets it run on its own: in a session of
// its own, with no blocked or ignored signals, standard streams on /dev/null
// and no descriptor of ours beyond them. A thread of ours waits for its end
// so it never lingers as a zombie. True when the program was started; a
// missing, relative or non-executable path is false.
bool StartProgram(const std::string& path, const std::vector<std::string>& arguments = {});

// The absolute path of the executable `name` on $PATH (the usual folders when
// PATH is not set); "" when there is none. A name holding '/' is taken as it
// is when it names an executable file.
std::string FindProgram(const std::string& name);

}  // namespace Platform
