// Components relabelled for locality, rooted level structures and
// pseudo-peripheral pairs for the renumbering orders.
#include "renum_niveaux.h"

namespace renum_detail {

int niveaux::construit(composante const& g, int racine) {
  ordre_.resize(static_cast<std::size_t>(g.n));
  niveau_.assign(static_cast<std::size_t>(g.n), -1);
  int const* d = g.debut.data();
  int const* l = g.liste.data();
  int* ordre = ordre_.data();
  int* niveau = niveau_.data();
  ordre[0] = racine;
  niveau[racine] = 0;
  int n = 1, profondeur = 0;
  dernier_ = 0;
  for (int tete = 0; tete < n; ++tete) {
    int const u = ordre[tete];
    int const nu = niveau[u] + 1;
    for (int k = d[u]; k < d[u + 1]; ++k) {
      int const v = l[k];
      if (niveau[v] >= 0) continue;
      niveau[v] = nu;
      if (nu > profondeur) {
        profondeur = nu;
        dernier_ = n;
      }
      ordre[n++] = v;
    }
  }
  return profondeur + 1;
}

paire pseudo_peripherique(composante const& g, niveaux& w) {
  int r = 0;
  int h = w.construit(g, r);
  for (;;) {
    int x = w.ordre()[w.dernier_niveau()];
    for (int k = w.dernier_niveau() + 1; k < g.n; ++k)
      if (g.moindre(w.ordre()[k], x)) x = w.ordre()[k];
    int const hx = w.construit(g, x);
    if (hx <= h) return paire{r, x};
    r = x;
    h = hx;
  }
}

par_composante::par_composante(adjacence const& a)
    : a_(a), local_(static_cast<std::size_t>(a.n()), -1) {
  std::size_t const n = static_cast<std::size_t>(a.n());
  ordre_.reserve(n);
  g_.orig.reserve(n);
  g_.debut.reserve(n + 1);
  g_.liste.reserve(static_cast<std::size_t>(a.debut()[a.n()]));
}

// Breadth-first from v in the original numbering. Vertices get their labels
// in the order they are reached, and the rows are written in the order of
// those labels, so one sweep both finds the component and relabels it.
void par_composante::extrait(int v) {
  int const* d = a_.debut();
  int const* l = a_.liste();
  g_.orig.clear();
  g_.debut.assign(1, 0);
  g_.liste.clear();
  local_[v] = 0;
  g_.orig.push_back(v);
  for (std::size_t tete = 0; tete < g_.orig.size(); ++tete) {
    int const u = g_.orig[tete];
    for (int k = d[u]; k < d[u + 1]; ++k) {
      int const y = l[k];
      if (local_[y] < 0) {
        local_[y] = static_cast<int>(g_.orig.size());
        g_.orig.push_back(y);
      }
      g_.liste.push_back(local_[y]);
    }
    g_.debut.push_back(static_cast<int>(g_.liste.size()));
  }
  g_.n = static_cast<int>(g_.orig.size());
}

gvector<int> par_composante::permutation() const {
  int const n = static_cast<int>(ordre_.size());
  gvector<int> p(1, n);
  int* q = p.debut();
  for (int k = 0; k < n; ++k) q[ordre_[k]] = k + 1;
  return p;
}

}  // namespace renum_detail
