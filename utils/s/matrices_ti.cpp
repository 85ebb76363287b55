// Instantiation of the dense matrices for the element types.
#include "matrices.templates.h"
#include "matrices_gauss.templates.h"
#include "matrices_io.templates.h"
#include "matrices_profil.templates.h"

#define MATRICES_INSTANTIATE(T)                \
  template class gmatrix<T>;                   \
  template double norm_inf(gmatrix<T> const&); \
  template double norm_1(gmatrix<T> const&);
FOR_EACH_SCALAR(MATRICES_INSTANTIATE)
