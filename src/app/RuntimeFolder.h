// The folder of the user's own where the single instance keeps its socket and
// lock, for a session that names none.
#pragma once

namespace mvx {

// Without XDG_RUNTIME_DIR (a login by su, a container, a service), Qt falls
// back to <temporary folder>/runtime-<user> and warns each time it is asked
// for the folder, at least twice a start. The program names that same folder
// in XDG_RUNTIME_DIR before the application object exists, so Qt makes it
// private to the user (0700) as it would, and has nothing to warn about; what
// the program starts (the viewer of Readme.txt) is given the same folder. A
// variable that is set, whatever it names, is left alone. Called before the
// application object.
void ChooseRuntimeFolder();

} // namespace mvx
