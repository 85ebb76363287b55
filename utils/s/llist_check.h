// Fatal messages of the list files, shared by the list loader and the
// loaders of collections of lists.
#ifndef LLIST_CHECK_H
#define LLIST_CHECK_H

#include "fatal.h"

namespace liste {

[[noreturn]] inline void liste_format() {
  fatal(801, "Format incorrecte dans load d'une liste ordonee\n");
}
[[noreturn]] inline void liste_type() {
  fatal(802, "Type incorrecte dans load d'une liste ordonee\n");
}

}  // namespace liste

#endif
