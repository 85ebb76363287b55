// Argument checks of the profile matrices and their fatal messages, one
// helper per message family so that every text sits in one place.
#ifndef SKY_CHECK_H
#define SKY_CHECK_H

#include <climits>

#include "fatal.h"
#include "vecteurs.h"

namespace sky {

[[noreturn]] inline void not_factored() {
  fatal(1, "Tentative de resolution d'un systeme non factorize");
}
[[noreturn]] inline void refuse_factorization() {
  fatal(1, "Impossible de factorizer une matrice\n");
}
[[noreturn]] inline void out_of_profile(int i, int j) {
  fatal(1, "Tentative d'adressage d'un element hors profil i=", i, " j=", j, fatal_nl);
}
[[noreturn]] inline void bad_profile(char const* what, int k) {
  fatal(1, "Profil de matrice profil incorrect: ", what, k, "\n");
}
// More stored entries than an int counts.
[[noreturn]] inline void profile_too_large() {
  fatal(1, "Profil de matrice profil incorrect: taille trop grande\n");
}

enum shape { general_shape, symmetric_shape, rect_shape };

// Checks every rule the storage relies on, so that no later access can
// leave elem: profil over 0..m, profil[0] = 0, non-decreasing; general lines
// of odd length reaching no column below 1; symmetric lines holding their
// diagonal and reaching no column below 1; rectangular runs of at most n.
inline void check_profile(gvector<int> const& p, shape s, int n) {
  if (p.imin() != 0 || p.imax() < 0)
    fatal(1, "Profil de matrice profil incorrect: indices [", p.imin(), ",", p.imax(),
          "] au lieu de [0,n]\n");
  int const m = p.imax();
  if (m == INT_MAX) profile_too_large();
  if (s == rect_shape && (n < 0 || n == INT_MAX))
    fatal(1, "Profil de matrice profil incorrect: dimension ", n, "\n");
  int const* q = p.debut();
  if (q[0] != 0)
    fatal(1, "Profil de matrice profil incorrect: profil[0]=", q[0], " au lieu de 0\n");
  for (int k = 1; k <= m; ++k) {
    if (q[k] < q[k - 1]) bad_profile("profil decroissant en ", k);
    int const d = q[k] - q[k - 1];
    switch (s) {
      case general_shape:
        if (d % 2 == 0) bad_profile("longueur de ligne paire en ", k);
        if ((d - 1) / 2 > k - 1) bad_profile("premiere colonne avant 1 en ", k);
        break;
      case symmetric_shape:
        if (d == 0) bad_profile("ligne sans diagonale en ", k);
        if (d > k) bad_profile("premiere colonne avant 1 en ", k);
        break;
      case rect_shape:
        if (d > n) bad_profile("premier indice avant 1 en ", k);
        break;
    }
  }
}

// Norms of a matrix holding factors: a warning only, the norm is then 0.
inline void norm_refused() { nmsg("Attention norme de matrice non valable\n"); }

inline bool same_range(int lo, int hi, int want_lo, int want_hi) {
  return lo == want_lo && hi == want_hi;
}

// The output of a solve takes the range it needs, keeping its storage when
// it has it already.
template <class T>
void fit(gvector<T>& x, int lo, int hi) {
  if (x.imin() != lo || x.imax() != hi) x.resize(lo, hi);
}

// Addressing outside the lines: rows x cols, then the entry asked for.
[[noreturn]] inline void bad_address(int n, int i, int j) {
  fatal(1, "Erreur d'adressage d'une matrice profil ", n, "x", n, "\nAces a ", i, ",", j, fatal_nl);
}
[[noreturn]] inline void bad_address_sym(int n, int i, int j) {
  fatal(1, "Erreur d'adressage d'une matrice profil symetrique ", n, "x", n, "\nAces a ", i, ",", j,
        fatal_nl);
}
[[noreturn]] inline void bad_address_rh(int m, int n, int i, int j) {
  fatal(1, "Erreur d'adressage d'une matrice profil rh ", m, "x", n, "\nAces a ", i, ",", j,
        fatal_nl);
}
[[noreturn]] inline void bad_address_rv(int n, int m, int i, int j) {
  fatal(1, "Erreur d'adressage d'une matrice profil rv ", n, "x", m, "\nAces a ", i, ",", j,
        fatal_nl);
}

// Entries outside the profile: the symmetric matrix, whose upper triangle
// is not stored, and the rectangular ones.
[[noreturn]] inline void out_of_sym_profile(int i, int j) {
  fatal(1, "Tentative d'adressage d'un element hors profil symetrique i=", i, " j=", j, fatal_nl);
}
[[noreturn]] inline void upper_triangle(int i, int j) {
  fatal(1, "On ne peut aceder que le triangle ",
        "inferieur d'une matrice symetrique\nAcces a i=", i, " j=", j, fatal_nl);
}
[[noreturn]] inline void out_of_rect_profile(int i, int j) {
  fatal(1, "Tentative d'adressage d'un element hors profil i=", i, " j=", j, "\n");
}

// Matrix times vector with a vector of other bounds.
[[noreturn]] inline void product_size(int lo, int hi, int xlo, int xhi) {
  fatal(1, "Multiplation matice profil, vecteur.\nDimensions incorrectes:\n Matrice ", lo, "x", hi,
        "\nVecteur ", xlo, "x", xhi, fatal_nl);
}
[[noreturn]] inline void sym_product_size(int lo, int hi, int xlo, int xhi) {
  fatal(1, "Multiplication matrice profil symetrique, vecteur.\n",
        "Dimensions incorrectes:\n Matrice ", lo, "x", hi, "\nVecteur ", xlo, "x", xhi, fatal_nl);
}
[[noreturn]] inline void rect_product_size(int i0, int i1, int j0, int j1, int xlo, int xhi) {
  fatal(1, "Incompatibilite de tailles dans produit matrice vecteur:\n", "Matrice [", i0, ",", i1,
        "]x[", j0, ",", j1, "], vecteur [", xlo, ",", xhi, "]\n");
}

// Right-hand sides of other bounds than the lines, for the solve named.
char const* const gauss_solve = "Tailles incompatibles dans la descente/remonte gauss:\n";
char const* const choleski_solve = "Tailles incompatibles dans la descente/remonte choleski:\n";
char const* const crout_solve = "Tailles incompatibles dans la descente/remonte crout:\n";
char const* const Uxb_solve = "Tailles incompatibles dans la U x = b, gauss:\n";
char const* const xUb_solve = "Tailles incompatibles dans la x U = b, gauss:\n";
char const* const Lxb_solve = "Tailles incompatibles dans la L x = b, gauss:\n";
[[noreturn]] inline void vector_size(char const* solve, int lo, int hi, int blo, int bhi) {
  fatal(1, solve, "Matrice [", lo, ",", hi, "]^2\n", "Vecteur [", blo, ",", bhi, "]\n");
}

// Blocks of right-hand sides of other bounds: X U = B names the factor "X"
// for a profile matrix and "U" for a dense one; L X = B names it "L".
char const* const XUC_solve = "Tailles incompatibles dans la X U = B, gauss:\n";
char const* const LXC_solve = "Tailles incompatibles dans la L X = B, gauss:\n";
[[noreturn]] inline void block_size(char const* solve, char const* name, int lo, int hi, int bi0,
                                    int bi1, int bj0, int bj1) {
  fatal(1, solve, name, lo, ",", hi, "]^2\n", "B [", bi0, ",", bi1, "]x[", bj0, ",", bj1, "]\n");
}

// Two rectangular matrices of other bounds: the sum, and the product (with
// the sum's separator).
[[noreturn]] inline void rect_bounds(char const* what, int a0, int a1, int a2, int a3, int b0,
                                     int b1, int b2, int b3) {
  fatal(1, what, " [", a0, ",", a1, "]x[", a2, ",", a3, "] +  [", b0, ",", b1, "]x[", b2, ",", b3,
        "]\n");
}
char const* const rect_sum = "Incompatibilite de tailles dans somme de matrices profil-h:\n";
char const* const rect_product = "Incompatibilite de tailles dans produit de matrices profil:\n";

}  // namespace sky

#endif
