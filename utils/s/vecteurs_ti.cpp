// Instantiation of the collections and vectors for the element types.
#include "vecteurs.templates.h"
#include "vecteurs_io.templates.h"

#define VECTEURS_INSTANTIATE(T)              \
  template class gcolect<T>;                 \
  template class gvector<T>;                 \
  template double norm_1(const gvector<T>&); \
  template double norm_inf(const gvector<T>&);
FOR_EACH_SCALAR(VECTEURS_INSTANTIATE)

#define OVECTOR_INSTANTIATE(T) template class ovector<T>;
FOR_EACH_REAL(OVECTOR_INSTANTIATE)
