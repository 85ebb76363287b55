// Profile matrices for the four element types; the Hermitian matrix is
// complex only and is not a template.
#include "profil.templates.h"
#include "profil_io.templates.h"

#define PROFIL_INSTANTIATE(T)                                                                  \
  template class skygmatrix<T>;                                                                \
  template class skysmatrix<T>;                                                                \
  template class skyrectmatrix<T>;                                                             \
  template class skyhrectmatrix<T>;                                                            \
  template class skyvrectmatrix<T>;                                                            \
  template void gmatrix<T>::solveXUC(skyhrectmatrix<T> const&, skyhrectmatrix<T>&) const;      \
  template void gmatrix<T>::solveLXC(skyvrectmatrix<T> const&, skyvrectmatrix<T>&) const;
FOR_EACH_SCALAR(PROFIL_INSTANTIATE)
#undef PROFIL_INSTANTIATE
