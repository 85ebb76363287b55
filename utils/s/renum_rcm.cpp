// Reverse Cuthill-McKee numbering.
#include <algorithm>
#include <vector>

#include "renum.h"
#include "renum_niveaux.h"

using renum_detail::composante;

gvector<int> renum_rcm(gcolect<llist<int>> const& voisins) { return renum_rcm(adjacence(voisins)); }

// Reversing the Cuthill-McKee order never enlarges the profile of a
// symmetric matrix stored by rows up to the diagonal, and mostly shrinks it
// (Liu and Sherman): a vertex's later neighbours then come right after it.
gvector<int> renum_rcm(adjacence const& a) {
  renum_detail::niveaux w;
  std::vector<char> vu;
  return renum_detail::par_composante(a).numerote(
      [&](composante const& g, std::vector<int>& ordre) {
        // The root of the last level structure, as SPARSPAK's FNROOT gives.
        int const racine = renum_detail::pseudo_peripherique(g, w).fin;
        int const* d = g.debut.data();
        int const* l = g.liste.data();
        vu.assign(static_cast<std::size_t>(g.n), 0);
        ordre.push_back(racine);
        vu[racine] = 1;
        for (std::size_t t = 0; t < ordre.size(); ++t) {
          int const u = ordre[t];
          std::size_t const avant = ordre.size();
          for (int k = d[u]; k < d[u + 1]; ++k)
            if (!vu[l[k]]) {
              vu[l[k]] = 1;
              ordre.push_back(l[k]);
            }
          // Lesser first (by degree, then number); rows come by increasing
          // number, so a stable sort on the degree alone does it. Insertion
          // for the usual few.
          auto const premier = ordre.begin() + static_cast<std::ptrdiff_t>(avant);
          auto const par_degre = [&g](int x, int y) { return g.degre(x) < g.degre(y); };
          if (ordre.size() - avant > 16) {
            std::stable_sort(premier, ordre.end(), par_degre);
            continue;
          }
          for (auto i = premier; i != ordre.end(); ++i)
            std::rotate(std::upper_bound(premier, i, *i, par_degre), i, i + 1);
        }
        std::reverse(ordre.begin(), ordre.end());
      });
}
