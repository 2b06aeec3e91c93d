// The launcher's own handler for an exception nobody caught.
//
// The compiler runtime's default handler prints the exception's demangled
// type to standard error, which a windowed program does not have; it pulls
// the whole demangler and a printf engine into the executable (about half
// of its size). Defining the handler here keeps them out. The outcome for
// the user is the same: the process ends abnormally.
#include <stdlib.h>

namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}  // namespace __gnu_cxx
