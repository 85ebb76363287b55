// Profile and dense matrices as PETSc AIJ matrices, each process inserting
// its own block of rows, preallocated exactly.
#include <vector>

#include "utils_petsc.h"

namespace {

char const* const kEtats[] = {"normal", "factors_choleski", "factors_crout", "factors_gauss",
                              "erreur"};

// Both refusals of a conversion: a matrix that is not plain values, sizes
// that differ between the processes. Collective.
void verifie(MPI_Comm comm, st etat, long long lignes, long long colonnes) {
  refus_collectif(comm, etat != normal, 1, [&] {
    sst->msg("Conversion vers PETSc impossible: matrice dans l'etat ");
    sst->msg(etat >= normal && etat <= erreur ? kEtats[etat] : "inconnu");
    sst->msg(" (seul l'etat normal est accepte)\n");
  });
  long long moi[4] = {lignes, -lignes, colonnes, -colonnes}, max[4];
  MPI_Allreduce(moi, max, 4, MPI_LONG_LONG, MPI_MAX, comm);
  bool const differe = max[0] != -max[1] || max[2] != -max[3];
  refus_collectif(comm, differe, 1, [&] {
    sst->msg("Conversion vers PETSc impossible: la matrice n'a pas la meme ");
    sst->msg("taille sur tous les processus\n");
  });
}

// This process's rows [debut, fin) of n, split as PETSc splits by default.
struct bloc {
  PetscInt debut, fin;
  bool contient(PetscInt i) const { return i >= debut && i < fin; }
};

bloc bloc_local(MPI_Comm comm, PetscInt n) {
  PetscInt local = PETSC_DECIDE, total = n;
  PetscSplitOwnership(comm, &local, &total);
  PetscInt fin = 0;
  MPI_Scan(&local, &fin, 1, MPIU_INT, MPI_SUM, comm);
  return {fin - local, fin};
}

// The rows of this process in compressed form, filled in two passes over
// the same entries (count, then store) so that the preallocation is exact.
// Entries must arrive by increasing column within each row.
class lignes_locales {
 public:
  lignes_locales(bloc l, bloc c) : l_(l), c_(c), d_(n(), 0), o_(n(), 0) {}

  void compte(PetscInt i, PetscInt j) {
    if (!l_.contient(i)) return;
    (c_.contient(j) ? d_ : o_)[static_cast<std::size_t>(i - l_.debut)]++;
  }
  void prepare() {
    debut_.assign(n() + 1, 0);
    for (std::size_t r = 0; r < n(); ++r) debut_[r + 1] = debut_[r] + d_[r] + o_[r];
    cur_.assign(debut_.begin(), debut_.end() - 1);
    col_.resize(static_cast<std::size_t>(debut_[n()]));
    val_.resize(col_.size());
  }
  void range(PetscInt i, PetscInt j, double v) {
    if (!l_.contient(i)) return;
    std::size_t const k = static_cast<std::size_t>(cur_[static_cast<std::size_t>(i - l_.debut)]++);
    col_[k] = j;
    val_[k] = v;
  }
  // The AIJ matrix of these rows, columns split as `c_`.
  Mat cree(MPI_Comm comm, PetscInt lignes, PetscInt colonnes) const {
    Mat a;
    PetscCallAbort(comm, MatCreate(comm, &a));
    PetscCallAbort(comm, MatSetSizes(a, l_.fin - l_.debut, c_.fin - c_.debut, lignes, colonnes));
    PetscCallAbort(comm, MatSetType(a, MATAIJ));
    PetscCallAbort(comm, MatSeqAIJSetPreallocation(a, 0, d_.data()));
    PetscCallAbort(comm, MatMPIAIJSetPreallocation(a, 0, d_.data(), 0, o_.data()));
    for (std::size_t r = 0; r < n(); ++r) {
      PetscInt const i = l_.debut + static_cast<PetscInt>(r);
      PetscInt const k = debut_[r], m = debut_[r + 1] - k;
      PetscCallAbort(comm,
                     MatSetValues(a, 1, &i, m, col_.data() + k, val_.data() + k, INSERT_VALUES));
    }
    PetscCallAbort(comm, MatAssemblyBegin(a, MAT_FINAL_ASSEMBLY));
    PetscCallAbort(comm, MatAssemblyEnd(a, MAT_FINAL_ASSEMBLY));
    return a;
  }

 private:
  std::size_t n() const { return static_cast<std::size_t>(l_.fin - l_.debut); }
  bloc l_, c_;
  std::vector<PetscInt> d_, o_, debut_, cur_, col_;
  std::vector<double> val_;
};

// Line j of a profile matrix: the stored row part left of the diagonal
// (columns premier..j-1), the column part above it (rows premier..j-1) and
// the diagonal. The symmetric layout stores one part for both.
struct ligne_profil {
  int premier;
  double const* rangee;
  double const* colonne;
  double diag;
};

ligne_profil ligne(skygmatrix<double> const& a, bool sym, int j) {
  int const* p = a.profile().debut() - a.profile().imin();   // p[i] = profil[i]
  double const* e = a.values().debut() - a.values().imin();  // e[k] = elem[k]
  int const d = p[j] - p[j - 1];
  int const m = sym ? d - 1 : (d - 1) / 2;
  double const* base = e + p[j - 1] + 1;
  return {j - m, base, sym ? base : base + m, e[p[j]]};
}

// Calls f(i, j, v) for the entries of the profile, 0-based, each row's
// entries by increasing column: entries that are exactly 0 are skipped,
// the diagonal is kept.
template <class F>
void entrees_profil(skygmatrix<double> const& a, bool sym, bloc l, F f) {
  int const n = a.imax() - a.imin() + 1;
  for (int j = static_cast<int>(l.debut) + 1; j <= n; ++j) {
    ligne_profil const lj = ligne(a, sym, j);
    for (int k = lj.premier; k < j; ++k) {
      double const v = lj.rangee[k - lj.premier];
      if (v != 0) f(j - 1, k - 1, v);
    }
    f(j - 1, j - 1, lj.diag);
    for (int k = lj.premier; k < j; ++k) {
      double const v = lj.colonne[k - lj.premier];
      if (v != 0) f(k - 1, j - 1, v);
    }
  }
}

}  // namespace

Mat vers_petsc(skygmatrix<double> const& a, MPI_Comm comm) {
  int const n = a.imax() - a.imin() + 1;
  verifie(comm, a.state(), n, n);
  bool const sym = dynamic_cast<skysmatrix<double> const*>(&a) != nullptr;
  bloc const l = bloc_local(comm, n);
  lignes_locales r(l, l);
  entrees_profil(a, sym, l, [&](PetscInt i, PetscInt j, double) { r.compte(i, j); });
  r.prepare();
  entrees_profil(a, sym, l, [&](PetscInt i, PetscInt j, double v) { r.range(i, j, v); });
  Mat m = r.cree(comm, n, n);
  if (sym) {
    PetscCallAbort(comm, MatSetOption(m, MAT_SYMMETRIC, PETSC_TRUE));
    PetscCallAbort(comm, MatSetOption(m, MAT_SYMMETRY_ETERNAL, PETSC_TRUE));
  }
  return m;
}

Mat vers_petsc(gmatrix<double> const& a, MPI_Comm comm) {
  int const lignes = a.imax() - a.imin() + 1, colonnes = a.jmax() - a.jmin() + 1;
  verifie(comm, a.state(), lignes, colonnes);
  bloc const l = bloc_local(comm, lignes), c = bloc_local(comm, colonnes);
  lignes_locales r(l, c);
  auto entrees = [&](auto f) {
    for (PetscInt i = l.debut; i < l.fin; ++i) {
      double const* ai = a.debut_ligne(a.imin() + static_cast<int>(i));
      for (PetscInt j = 0; j < colonnes; ++j)
        if (ai[j] != 0 || i == j) f(i, j, ai[j]);
    }
  };
  entrees([&](PetscInt i, PetscInt j, double) { r.compte(i, j); });
  r.prepare();
  entrees([&](PetscInt i, PetscInt j, double v) { r.range(i, j, v); });
  return r.cree(comm, lignes, colonnes);
}
