// Renumbering module: checked compact adjacency, profile of a numbering,
// permutation checks and the renumbered mesh.
#include "renum.h"

#include <climits>
#include <cstdio>
#include <utility>

#include "fatal.h"
#include "llist.h"
#include "maillage_io.h"

namespace {

// Complaints about neighbours start with the file they come from, if any.
template <class... P>
[[noreturn]] void plainte(char const* origine, P const&... detail) {
  if (origine != nullptr) mesh_io::format_error(origine, "\n", detail...);
  fatal(1, detail...);
}

[[noreturn]] void hors_limites(char const* origine, int v, long long x, int n) {
  plainte(origine, "Voisins: la liste de ", v, " nomme ", x, ", hors de 1..", n, fatal_nl);
}

[[noreturn]] void non_symetrique(char const* origine, int u, int v) {
  plainte(origine, "Voisins non symetriques: ", u, " voit ", v, ", ", v, " ne voit pas ", u,
          fatal_nl);
}

[[noreturn]] void incoherente(char const* origine, char const* pourquoi) {
  plainte(origine, "Adjacence compacte incoherente: ", pourquoi, fatal_nl);
}

}  // namespace

adjacence::adjacence(gcolect<llist<int>> const& voisins) {
  int const lo = voisins.imin(), hi = voisins.imax();
  if (hi >= lo && lo != 1) {
    fatal(1, "Voisins: indices ", lo, "..", hi, " au lieu de 1..n\n");
  }
  n_ = hi >= lo ? hi : 0;
  debut_.assign(static_cast<std::size_t>(n_) + 1, 0);
  llist<int> const* l = voisins.debut();
  for (int v = 1; v <= n_; ++v) {
    for (lnode<int> const* q = l[v - 1].tete(); q != nullptr; q = q->suivant()) {
      int const x = q->el();
      if (x < 1 || x > n_) hors_limites(nullptr, v, x, n_);
      if (x != v) liste_.push_back(x - 1);
    }
    if (liste_.size() > static_cast<std::size_t>(INT_MAX))
      incoherente(nullptr, "plus de 2147483647 voisins");
    debut_[v] = static_cast<int>(liste_.size());
  }
  verifie(nullptr);
}

adjacence::adjacence(int n, std::vector<int> debut, std::vector<int> liste, char const* origine)
    : n_(n), debut_(std::move(debut)), liste_(std::move(liste)) {
  if (n_ < 0 || debut_.size() != static_cast<std::size_t>(n_) + 1)
    incoherente(origine, "nombre de debuts de listes");
  if (liste_.size() > static_cast<std::size_t>(INT_MAX))
    incoherente(origine, "plus de 2147483647 voisins");
  if (debut_[0] != 0 || debut_[n_] != static_cast<int>(liste_.size()))
    incoherente(origine, "debuts de listes");
  for (int v = 0; v < n_; ++v)
    if (debut_[v + 1] < debut_[v]) incoherente(origine, "debuts de listes");
  verifie(origine);
}

// Rows ascending and in range, then symmetry in one sweep: taking u in
// increasing order, each row v must meet its entries in the order u comes,
// so a cursor per row finds the first entry that no one matched. Without a
// complaint every entry matched one entry of the other row: all are paired.
void adjacence::verifie(char const* origine) const {
  int const* d = debut_.data();
  int const* l = liste_.data();
  for (int v = 0; v < n_; ++v)
    for (int k = d[v]; k < d[v + 1]; ++k) {
      if (l[k] < 0 || l[k] >= n_) hors_limites(origine, v + 1, l[k] + 1LL, n_);
      if (l[k] == v) incoherente(origine, "sommet dans sa propre liste");
      if (k > d[v] && l[k] <= l[k - 1]) incoherente(origine, "liste non strictement croissante");
    }
  std::vector<int> curseur(debut_.begin(), debut_.end() - 1);
  for (int u = 0; u < n_; ++u)
    for (int k = d[u]; k < d[u + 1]; ++k) {
      int const v = l[k];
      int const q = curseur[v];
      if (q < d[v + 1] && l[q] == u) {
        curseur[v] = q + 1;
        continue;
      }
      if (q < d[v + 1] && l[q] < u) non_symetrique(origine, v + 1, l[q] + 1);
      non_symetrique(origine, u + 1, v + 1);
    }
}

void verifie_permutation(gvector<int> const& p, int n) {
  int const lo = p.imin(), hi = p.imax();
  int const compte = hi >= lo ? hi - lo + 1 : 0;
  if (compte != n || (n > 0 && lo != 1)) {
    fatal(1, "Permutation non valide: indices ", lo, "..", hi, " au lieu de 1..", n, fatal_nl);
  }
  int const* q = p.debut();
  std::vector<int> vu(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i <= n; ++i) {
    int const x = q[i - 1];
    if (x < 1 || x > n) {
      fatal(1, "Permutation non valide: p[", i, "] = ", x, " hors de 1..", n, fatal_nl);
    }
    if (vu[x] != 0) {
      fatal(1, "Permutation non valide: p[", vu[x], "] = p[", i, "] = ", x, fatal_nl);
    }
    vu[x] = i;
  }
}

namespace {

// Line widths of the profile when vertex v (0-based) is numbered num[v]
// (1-based; null: v + 1): `largeur(i, w)` receives the width w of line i.
template <class F>
void largeurs(adjacence const& a, int const* num, F largeur) {
  int const* d = a.debut();
  int const* l = a.liste();
  for (int v = 0; v < a.n(); ++v) {
    int const i = num != nullptr ? num[v] : v + 1;
    int premier = i;
    for (int k = d[v]; k < d[v + 1]; ++k) {
      int const j = num != nullptr ? num[l[k]] : l[k] + 1;
      if (j < premier) premier = j;
    }
    largeur(i, i - premier + 1);
  }
}

mesure_profil mesure_de(adjacence const& a, int const* num) {
  mesure_profil m;
  largeurs(a, num, [&m](int, int w) {
    m.profil += w;
    if (w - 1 > m.demi_bande) m.demi_bande = w - 1;
  });
  return m;
}

}  // namespace

mesure_profil mesure(adjacence const& a) { return mesure_de(a, nullptr); }

mesure_profil mesure(adjacence const& a, gvector<int> const& p) {
  verifie_permutation(p, a.n());
  return mesure_de(a, p.debut());
}

gvector<int> profil_voisins(gcolect<llist<int>> const& voisins) {
  adjacence const a(voisins);
  int const n = a.n();
  mesure_profil const m = mesure(a);
  if (m.profil > INT_MAX) {
    fatal(1, "Profil trop grand: ", m.profil, " termes\n");
  }
  gvector<int> p(0, n);
  int* q = p.debut();
  q[0] = 0;
  largeurs(a, nullptr, [q](int i, int w) { q[i] = q[i - 1] + w; });
  return p;
}

namespace {

// A copy of the mesh whose tables are rewritten through raw storage after
// one check of their shapes.
class renumerotation : public maillage {
 public:
  explicit renumerotation(maillage const& m) : maillage(m) {}

  maillage applique(gvector<int> const& p) {
    int const n = npt();
    verifie_permutation(p, n);
    if (n == 0) return maillage(*this);
    int const nd = ndim(), ne = nelem() > 0 ? nelem() : 0, te = telem();
    int const* q = p.debut();
    mesh_io::rows_from_1<float> const s = mesh_io::checked_rows(sommets, n, nd);
    int const* r = mesh_io::checked_from_1(refsom, n);
    mesh_io::rows_from_1<int> const el = mesh_io::checked_rows(elements, ne, te);

    gmatrix<float> som(1, n, 1, nd);
    gvector<int> refs(1, n);
    float* ns = som.debut();
    int* nr = refs.debut();
    for (int i = 1; i <= n; ++i) {
      float const* src = s.row(i);
      float* dst = ns + static_cast<long long>(q[i - 1] - 1) * nd;
      for (int k = 0; k < nd; ++k) dst[k] = src[k];
      nr[q[i - 1] - 1] = r[i - 1];
    }
    for (int e = 1; e <= ne; ++e) {
      int* row = el.row(e);
      for (int k = 0; k < te; ++k) {
        if (row[k] < 1 || row[k] > n) mesh_io::bad_vertex(e, row[k], n);
        row[k] = q[row[k] - 1];
      }
    }
    return maillage(std::move(som), std::move(elements), std::move(refs), s_dom, titre);
  }
};

}  // namespace

maillage renumerote(maillage const& m, gvector<int> const& p) {
  return renumerotation(m).applique(p);
}
