// Instantiations of the lists and of the collection of lists of integers
// (the collection's members come from the vector definitions).
#include "llist.templates.h"
#include "vecteurs.templates.h"
#include "vecteurs_io.templates.h"

template class lnode<int>;
template class lnode_block<int>;
template class llist<int>;
template class lnode<ovector<double>>;
template class llist<ovector<double>>;
template class gcolect<llist<int>>;
