// renum: numbers the vertices of a mesh, or of an adjacency file written by
// gen_data_renum, for a small profile (reverse Cuthill-McKee or Sloan).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fatal.h"
#include "llist.h"
#include "maillage.h"
#include "renum.h"
#include "utils_hooks.h"

namespace {

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog, " [-rcm | -sloan] maillage sortie.kadro2D|sortie.kadro3D\n", "       ",
        prog, " [-rcm | -sloan] -a adjacence permutation\n");
}

bool ends_with(char const* s, char const* tail) {
  std::size_t const n = std::strlen(s), k = std::strlen(tail);
  return n > k && std::strcmp(s + n - k, tail) == 0;
}

struct numerotation {
  char const* nom;
  gvector<int> p;
  mesure_profil m;
};

gvector<int> identite(int n) {
  gvector<int> p(1, n);
  int* q = p.debut();
  for (int i = 0; i < n; ++i) q[i] = i + 1;
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "renum";
  utils_debut(prog);

  bool rcm = true, sloan = true, option = false, adj = false;
  std::vector<char const*> fichiers;
  for (int k = 1; k < argc; ++k) {
    char const* a = argv[k];
    if (std::strcmp(a, "-rcm") == 0 || std::strcmp(a, "-sloan") == 0) {
      if (option) usage(prog);
      option = true;
      rcm = a[1] == 'r';
      sloan = !rcm;
    } else if (std::strcmp(a, "-a") == 0) {
      if (adj) usage(prog);
      adj = true;
    } else if (a[0] == '-' && a[1] != '\0') {
      usage(prog);
    } else {
      fichiers.push_back(a);
    }
  }
  if (fichiers.size() != 2) usage(prog);
  char const* in = fichiers[0];
  char const* out = fichiers[1];
  if (!adj && !ends_with(out, ".kadro2D") && !ends_with(out, ".kadro3D")) usage(prog);

  std::unique_ptr<maillage> m;
  adjacence a;
  if (adj) {
    a = lect_adjacence(in);
  } else {
    m.reset(new maillage(in));
    std::unique_ptr<gcolect<llist<int>>> v(&m->list_voisins());
    a = adjacence(*v);
  }

  // The input numbering first: another one is kept only when its profile
  // is strictly smaller, so the result is never worse than the input.
  std::vector<numerotation> essais;
  essais.push_back({"initiale", identite(a.n()), mesure(a)});
  if (rcm) {
    gvector<int> p = renum_rcm(a);
    mesure_profil const r = mesure(a, p);
    essais.push_back({"rcm", std::move(p), r});
  }
  if (sloan) {
    gvector<int> p = renum_sloan(a);
    mesure_profil const r = mesure(a, p);
    essais.push_back({"sloan", std::move(p), r});
  }
  std::size_t retenue = option ? 1 : 0;
  if (!option)
    for (std::size_t k = 1; k < essais.size(); ++k)
      if (essais[k].m.profil < essais[retenue].m.profil) retenue = k;

  gvector<int> const& p = essais[retenue].p;
  if (adj)
    ecrit_permutation(out, p);
  else
    renumerote(*m, p).ecrit_kadro(out);

  for (numerotation const& e : essais)
    std::printf("%-9s profil %lld demi-bande %d\n", e.nom, e.m.profil, e.m.demi_bande);
  std::printf("retenue   %s\n", essais[retenue].nom);
  std::fflush(stdout);
  utils_fin();
  return 0;
}
