// The bridges to PETSc, run under mpirun with 1, 2 and 3 processes: every
// entry of every row in place, the row split, the exact preallocation, the
// product, and vectors both ways.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "matrices_test_util.h"

namespace {

// The library's matrix, its value at (i, j) (1-based) and its product.
struct cas {
  std::string nom;
  int lignes, colonnes;
  std::function<double(int, int)> valeur;
  std::function<Mat()> convertit;
  std::function<gvector<double>(gvector<double> const&)> produit;
};

// Expected split: the first n % p processes hold one row more.
void bloc_attendu(PetscInt n, PetscInt& debut, PetscInt& fin) {
  PetscInt const p = taille_monde(), r = rang_monde();
  PetscInt const q = n / p, reste = n % p;
  debut = r * q + (r < reste ? r : reste);
  fin = debut + q + (r < reste ? 1 : 0);
}

// Rows hold exactly the non-zero values of the source and the diagonal,
// the rows are split as PETSc splits by default, nothing was allocated
// beyond the preallocation, and A x agrees with the library's product.
void verifie_conversion(cas const& c) {
  SCOPED_TRACE(c.nom);
  Mat a = c.convertit();
  PetscInt m = 0, n = 0, debut = 0, fin = 0, d0 = 0, d1 = 0;
  MatGetSize(a, &m, &n);
  EXPECT_EQ(m, c.lignes);
  EXPECT_EQ(n, c.colonnes);
  MatGetOwnershipRange(a, &debut, &fin);
  bloc_attendu(m, d0, d1);
  EXPECT_EQ(debut, d0);
  EXPECT_EQ(fin, d1);
  for (PetscInt i = debut; i < fin; ++i) {
    int stockees = 0, attendues = 0;
    std::vector<double> const r = ligne_petsc(a, i, n, stockees);
    for (PetscInt j = 0; j < n; ++j) {
      double const v = c.valeur(static_cast<int>(i) + 1, static_cast<int>(j) + 1);
      EXPECT_EQ(r[static_cast<std::size_t>(j)], v) << "(" << i << ", " << j << ")";
      if (v != 0 || i == j) ++attendues;
    }
    EXPECT_EQ(stockees, attendues) << "row " << i;
  }
  MatInfo info;
  MatGetInfo(a, MAT_LOCAL, &info);
  EXPECT_EQ(info.nz_allocated, info.nz_used);
  EXPECT_EQ(info.mallocs, 0);

  gvector<double> x(1, c.colonnes);
  for (int j = 1; j <= c.colonnes; ++j) x[j] = 1.0 / j - 0.25 * j;
  gvector<double> const y = c.produit(x);
  Vec px = vers_petsc(x), py;
  MatCreateVecs(a, nullptr, &py);
  MatMult(a, px, py);
  gvector<double> const yp = depuis_petsc(py);
  ASSERT_EQ(yp.imax(), c.lignes);
  for (int i = 1; i <= c.lignes; ++i) EXPECT_NEAR(yp[i], y[i], 1e-12 * c.colonnes) << i;
  VecDestroy(&px);
  VecDestroy(&py);
  MatDestroy(&a);
}

class PontsTest : public ::testing::TestWithParam<int> {};

TEST_P(PontsTest, SymmetricProfileMatrixBecomesAij) {
  int const n = GetParam();
  skysmatrix<double> a(profil_aleatoire(n, 5, true, 11u + n));
  remplit(a, 7u * n);
  verifie_conversion({"skysmatrix", n, n, [&](int i, int j) { return a(0, i, j); },
                      [&] { return vers_petsc(a); },
                      [&](gvector<double> const& x) { return a * x; }});
}

TEST_P(PontsTest, GeneralProfileMatrixBecomesAij) {
  int const n = GetParam();
  skygmatrix<double> a(profil_aleatoire(n, 6, false, 13u + n));
  remplit(a, 5u * n);
  verifie_conversion({"skygmatrix", n, n, [&](int i, int j) { return a(0, i, j); },
                      [&] { return vers_petsc(a); },
                      [&](gvector<double> const& x) { return a * x; }});
}

TEST_P(PontsTest, DenseMatrixBecomesAijWhateverItsBounds) {
  int const n = GetParam();
  for (int colonnes : {n, n + 3}) {
    gmatrix<double> a(0, n - 1, -2, colonnes - 3);  // any index ranges
    std::mt19937 g(3u * n + colonnes);
    for (int i = a.imin(); i <= a.imax(); ++i)
      for (int j = a.jmin(); j <= a.jmax(); ++j)
        a(i, j) = (g() % 3 == 0) ? 0.0 : std::uniform_real_distribution<double>(-1, 1)(g);
    verifie_conversion({"gmatrix", n, colonnes,
                        [&](int i, int j) { return a(a.imin() + i - 1, a.jmin() + j - 1); },
                        [&] { return vers_petsc(a); },
                        [&](gvector<double> const& x) {
                          gvector<double> xx(a.jmin(), a.jmax());
                          for (int j = 0; j < colonnes; ++j) xx[a.jmin() + j] = x[j + 1];
                          gvector<double> const y = a * xx;
                          gvector<double> r(1, n);
                          for (int i = 0; i < n; ++i) r[i + 1] = y.debut()[i];
                          return r;
                        }});
  }
}

TEST_P(PontsTest, SymmetricMatrixThroughItsBaseClassKeepsBothTriangles) {
  int const n = GetParam();
  skysmatrix<double> s(profil_aleatoire(n, 4, true, 17u + n));
  remplit(s, 19u * n);
  skygmatrix<double> const& base = s;
  verifie_conversion({"skysmatrix as skygmatrix", n, n, [&](int i, int j) { return s(0, i, j); },
                      [&] { return vers_petsc(base); },
                      [&](gvector<double> const& x) { return s * x; }});
  Mat a = vers_petsc(base);
  PetscBool connu = PETSC_FALSE, sym = PETSC_FALSE;
  MatIsSymmetricKnown(a, &connu, &sym);
  EXPECT_TRUE(connu && sym);
  MatDestroy(&a);
}

TEST_P(PontsTest, VectorRoundTripsOnEveryProcess) {
  int const n = GetParam();
  gvector<double> v(-3, n - 4);  // comes back over 1..n
  for (int i = v.imin(); i <= v.imax(); ++i) v[i] = 0.5 * i * i - 3;
  Vec x = vers_petsc(v);
  PetscInt taille = 0, debut = 0, fin = 0, d0 = 0, d1 = 0;
  VecGetSize(x, &taille);
  EXPECT_EQ(taille, n);
  VecGetOwnershipRange(x, &debut, &fin);
  bloc_attendu(n, d0, d1);
  EXPECT_EQ(debut, d0);
  EXPECT_EQ(fin, d1);
  gvector<double> const r = depuis_petsc(x);
  ASSERT_EQ(r.imin(), 1);
  ASSERT_EQ(r.imax(), n);
  for (int k = 0; k < n; ++k) EXPECT_EQ(r[k + 1], v[v.imin() + k]);
  VecDestroy(&x);
}

TEST_P(PontsTest, VectorGathersOnOneProcessOnly) {
  int const n = GetParam();
  gvector<double> v(1, n);
  for (int i = 1; i <= n; ++i) v[i] = 2.0 * i + 0.125;
  Vec x = vers_petsc(v);
  for (int cible = 0; cible < taille_monde(); ++cible) {
    gvector<double> const r = depuis_petsc(x, cible);
    if (rang_monde() == cible) {
      ASSERT_EQ(r.imax(), n);
      EXPECT_TRUE(r == v);
    } else {
      EXPECT_TRUE(r.empty());
    }
  }
  VecDestroy(&x);
}

INSTANTIATE_TEST_SUITE_P(Tailles, PontsTest, ::testing::Values(1, 2, 3, 7, 40));

TEST(PontsZeroTest, StoredZerosAreLeftOutButTheDiagonalStays) {
  // 3 lines, full profile, only the (3, 1) entry and the diagonal (1, 1)
  // and (3, 3) are non-zero: (2, 2) = 0 stays, as PETSc's factorizations
  // want a diagonal entry in every row.
  gvector<int> p(0, 3);
  p[0] = 0, p[1] = 1, p[2] = 3, p[3] = 6;
  skysmatrix<double> a(p);
  a = 0.0;
  a(1, 1) = 2;
  a(3, 1) = -1;
  a(3, 3) = 5;
  Mat m = vers_petsc(a);
  PetscInt debut = 0, fin = 0;
  MatGetOwnershipRange(m, &debut, &fin);
  int const attendu[3] = {2, 1, 2};
  for (PetscInt i = debut; i < fin; ++i) {
    int stockees = 0;
    std::vector<double> const r = ligne_petsc(m, i, 3, stockees);
    EXPECT_EQ(stockees, attendu[i]) << i;
    EXPECT_EQ(r[static_cast<std::size_t>(i)],
              a(0, static_cast<int>(i) + 1, static_cast<int>(i) + 1));
  }
  MatDestroy(&m);
}

TEST(PontsZeroTest, EmptyObjectsGiveEmptyPetscObjects) {
  skysmatrix<double> a;
  Mat m = vers_petsc(a);
  PetscInt l = -1, c = -1;
  MatGetSize(m, &l, &c);
  EXPECT_EQ(l, 0);
  EXPECT_EQ(c, 0);
  MatDestroy(&m);
  gvector<double> v;
  Vec x = vers_petsc(v);
  EXPECT_TRUE(depuis_petsc(x).imax() == 0);
  VecDestroy(&x);
}

}  // namespace
