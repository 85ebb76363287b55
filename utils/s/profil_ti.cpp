// Profile matrices for the four element types; the Hermitian matrix is
// complex only and is not a template (profil_herm.cpp).
#include "profil.templates.h"
#include "profil_io.templates.h"
#include "profil_rect.templates.h"

#define PROFIL_INSTANTIATE(T)       \
  template class skygmatrix<T>;     \
  template class skysmatrix<T>;     \
  template class skyrectmatrix<T>;  \
  template class skyhrectmatrix<T>; \
  template class skyvrectmatrix<T>;
FOR_EACH_SCALAR(PROFIL_INSTANTIATE)
#undef PROFIL_INSTANTIATE
