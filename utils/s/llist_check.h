// Fatal messages of the list files, shared by the list loader and the
// loaders of collections of lists.
#ifndef LLIST_CHECK_H
#define LLIST_CHECK_H

#include "runstat.h"

namespace liste {

[[noreturn]] inline void liste_format() {
  sst->msg("Format incorrecte dans load d'une liste ordonee\n");
  sst->kill(801);
}
[[noreturn]] inline void liste_type() {
  sst->msg("Type incorrecte dans load d'une liste ordonee\n");
  sst->kill(802);
}

}  // namespace liste

#endif
