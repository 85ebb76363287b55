// Instantiations of the lists and of the collection of lists of integers.
#include "llist.cpp"
#include "vecteurs.cpp"
#include "vecteurs_io.cpp"

template class lnode<int>;
template class llist<int>;
template class lnode<ovector<double>>;
template class llist<ovector<double>>;
template class gcolect<llist<int>>;
