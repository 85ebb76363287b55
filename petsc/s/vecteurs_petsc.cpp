// Vectors to distributed PETSc vectors and back.
#include <algorithm>

#include "utils_petsc.h"

Vec vers_petsc(gvector<double> const& v, MPI_Comm comm) {
  long long const n = v.imax() - v.imin() + 1;
  long long moi[2] = {n, -n}, max[2];
  MPI_Allreduce(moi, max, 2, MPI_LONG_LONG, MPI_MAX, comm);
  refus_collectif(comm, max[0] != -max[1], 1, [] {
    sst->msg("Conversion vers PETSc impossible: le vecteur n'a pas la meme ");
    sst->msg("taille sur tous les processus\n");
  });
  Vec x;
  PetscCallAbort(comm, VecCreate(comm, &x));
  PetscCallAbort(comm, VecSetSizes(x, PETSC_DECIDE, static_cast<PetscInt>(n)));
  PetscCallAbort(comm, VecSetType(x, VECSTANDARD));
  PetscInt debut = 0, fin = 0;
  PetscCallAbort(comm, VecGetOwnershipRange(x, &debut, &fin));
  PetscScalar* a = nullptr;
  PetscCallAbort(comm, VecGetArray(x, &a));
  std::copy(v.debut() + debut, v.debut() + fin, a);
  PetscCallAbort(comm, VecRestoreArray(x, &a));
  return x;
}

namespace {

// Gathers v into a sequential vector of `n` entries on this process (n is
// the global size where the values go, 0 elsewhere).
gvector<double> rassemble(Vec v, MPI_Comm comm, bool ici) {
  PetscInt total = 0;
  PetscCallAbort(comm, VecGetSize(v, &total));
  PetscInt const n = ici ? total : 0;
  Vec seq;
  IS tous;
  VecScatter sc;
  PetscCallAbort(comm, VecCreateSeq(PETSC_COMM_SELF, n, &seq));
  PetscCallAbort(comm, ISCreateStride(PETSC_COMM_SELF, n, 0, 1, &tous));
  PetscCallAbort(comm, VecScatterCreate(v, tous, seq, nullptr, &sc));
  PetscCallAbort(comm, VecScatterBegin(sc, v, seq, INSERT_VALUES, SCATTER_FORWARD));
  PetscCallAbort(comm, VecScatterEnd(sc, v, seq, INSERT_VALUES, SCATTER_FORWARD));
  gvector<double> r;
  if (ici) {
    r.resize(1, static_cast<int>(n));
    PetscScalar const* a = nullptr;
    PetscCallAbort(comm, VecGetArrayRead(seq, &a));
    std::copy(a, a + n, r.debut());
    PetscCallAbort(comm, VecRestoreArrayRead(seq, &a));
  }
  PetscCallAbort(comm, VecScatterDestroy(&sc));
  PetscCallAbort(comm, ISDestroy(&tous));
  PetscCallAbort(comm, VecDestroy(&seq));
  return r;
}

MPI_Comm comm_de(Vec v) {
  MPI_Comm c = MPI_COMM_NULL;
  PetscCallAbort(PETSC_COMM_WORLD, PetscObjectGetComm(reinterpret_cast<PetscObject>(v), &c));
  return c;
}

}  // namespace

gvector<double> depuis_petsc(Vec v) { return rassemble(v, comm_de(v), true); }

gvector<double> depuis_petsc(Vec v, int rang) {
  MPI_Comm const comm = comm_de(v);
  int taille = 1, moi = 0;
  MPI_Comm_size(comm, &taille);
  MPI_Comm_rank(comm, &moi);
  int bornes[2] = {rang, -rang}, max[2];
  MPI_Allreduce(bornes, max, 2, MPI_INT, MPI_MAX, comm);
  bool const mauvais = rang < 0 || rang >= taille || max[0] != -max[1];
  refus_collectif(comm, mauvais, 1, [&] {
    sst->msg("Rassemblement d'un vecteur PETSc impossible: processus ").msg(rang);
    sst->msg(" (les processus vont de 0 a ").msg(taille - 1);
    sst->msg(" et doivent tous donner le meme)\n");
  });
  return rassemble(v, comm, moi == rang);
}
