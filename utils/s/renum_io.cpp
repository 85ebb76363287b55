// Files of the renumbering: the adjacency file of gen_data_renum read back,
// and a permutation written one number per line.
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fatal.h"
#include "fichier_sur.h"
#include "maillage_io.h"
#include "renum.h"

namespace {

// The adjacency text, line by line, every number range-checked. Every
// complaint names the file and, where it helps, the line.
class lecteur {
 public:
  lecteur(char const* nom, std::string const& texte)
      : nom_(nom), p_(texte.data()), fin_(texte.data() + texte.size()) {}

  long long reste() const { return fin_ - p_; }

  // One integer alone on its line.
  long long seul() {
    blancs();
    if (p_ == fin_) mesh_io::truncated(nom_);
    long long const v = nombre();
    blancs();
    if (p_ != fin_ && *p_ != '\n') ligne_fautive("un seul nombre attendu");
    fin_de_ligne();
    return v;
  }

  // The numbers of one line, handed to `f` one by one.
  template <class F>
  void liste(F f) {
    if (p_ == fin_) mesh_io::truncated(nom_);
    for (;;) {
      blancs();
      if (p_ == fin_ || *p_ == '\n') break;
      f(nombre());
    }
    fin_de_ligne();
  }

  // Only blanks and empty lines may follow the last list.
  void fin() {
    while (p_ != fin_ && (*p_ == '\n' || *p_ == ' ' || *p_ == '\t' || *p_ == '\r')) ++p_;
    if (p_ == fin_) return;
    plainte("Donnees en trop apres la derniere liste\n");
  }

  template <class... P>
  [[noreturn]] void plainte(P const&... detail) const {
    mesh_io::format_error(nom_, "\n", detail...);
  }

 private:
  void blancs() {
    while (p_ != fin_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r')) ++p_;
  }
  void fin_de_ligne() {
    if (p_ != fin_) ++p_;
    ++ligne_;
  }
  // At most 18 digits: every value fits a long long, and the callers
  // compare it with their own bounds.
  long long nombre() {
    bool const moins = *p_ == '-';
    if (moins) ++p_;
    long long v = 0;
    int chiffres = 0;
    for (; p_ != fin_ && *p_ >= '0' && *p_ <= '9'; ++p_) {
      if (++chiffres > 18) ligne_fautive("nombre hors limites");
      v = v * 10 + (*p_ - '0');
    }
    if (chiffres == 0 || (p_ != fin_ && *p_ != ' ' && *p_ != '\t' && *p_ != '\r' && *p_ != '\n'))
      ligne_fautive("nombre entier attendu");
    return moins ? -v : v;
  }
  [[noreturn]] void ligne_fautive(char const* pourquoi) {
    plainte("Ligne ", ligne_, ": ", pourquoi, fatal_nl);
  }

  char const* nom_;
  char const* p_;
  char const* fin_;
  long long ligne_ = 1;
};

std::string contenu(char const* fname) {
  long long taille = 0;
  FILE* fp = mesh_io::open_regular(fname, 1, taille);
  std::string texte(static_cast<std::size_t>(taille), '\0');
  std::size_t const lu = std::fread(&texte[0], 1, texte.size(), fp);
  std::fclose(fp);
  if (lu != texte.size()) mesh_io::truncated(fname);
  return texte;
}

[[noreturn]] void mauvais_nombre(lecteur& in, char const* quoi, long long x) {
  in.plainte(quoi, x, fatal_nl);
}

template <class... P>
[[noreturn]] void liste_de(lecteur const& in, int v, P const&... detail) {
  in.plainte("Liste du sommet ", v, ": ", detail...);
}

}  // namespace

adjacence lect_adjacence(char const* fname) {
  if (fname == nullptr) fname = "";
  std::string const texte = contenu(fname);
  lecteur in(fname, texte);

  // Each vertex takes at least 5 bytes: its count, its start, its list.
  long long const nl = in.seul();
  if (nl < 0 || nl > INT_MAX) mauvais_nombre(in, "Nombre de sommets non valide: ", nl);
  int const n = static_cast<int>(nl);
  if (5LL * n > in.reste() + 1) {
    in.plainte("Fichier trop court pour ", n, " sommets\n");
  }

  std::vector<int> compte(static_cast<std::size_t>(n));
  long long valeurs = 0;
  for (int v = 1; v <= n; ++v) {
    long long const c = in.seul();
    if (c < -1 || c > n - 1LL) {
      in.plainte("Nombre de voisins non valide pour le sommet ", v, ": ", c, fatal_nl);
    }
    compte[v - 1] = static_cast<int>(c);
    valeurs += c + 1;
  }
  // Each listed value takes at least 2 bytes.
  if (2 * valeurs > in.reste() + 1 || valeurs > INT_MAX) {
    in.plainte("Fichier trop court pour les listes annoncees\n");
  }

  long long attendu = 1;
  for (int v = 1; v <= n; ++v) {
    long long const s = in.seul();
    if (s != attendu) {
      in.plainte("Debut de liste non valide pour le sommet ", v, ": lu ", s, ", attendu ", attendu,
                 fatal_nl);
    }
    attendu += compte[v - 1];
  }

  std::vector<int> debut(static_cast<std::size_t>(n) + 1, 0);
  std::vector<int> liste;
  liste.reserve(static_cast<std::size_t>(valeurs));
  for (int v = 1; v <= n; ++v) {
    int const prevu = compte[v - 1] + 1;
    int lus = 0;
    long long avant = 0;
    bool soi = false;
    in.liste([&](long long x) {
      if (x < 1 || x > n) {
        liste_de(in, v, "valeur ", x, " hors de 1..", n, fatal_nl);
      }
      if (x <= avant) {
        liste_de(in, v, "valeurs non strictement croissantes\n");
      }
      if (++lus > prevu) {
        liste_de(in, v, "plus de ", prevu, " valeurs\n");
      }
      avant = x;
      if (x == v)
        soi = true;
      else
        liste.push_back(static_cast<int>(x - 1));
    });
    if (lus < prevu) {
      liste_de(in, v, lus, " valeurs au lieu de ", prevu, fatal_nl);
    }
    if (prevu > 0 && !soi) {
      liste_de(in, v, v, " absent\n");
    }
    debut[v] = static_cast<int>(liste.size());
  }
  in.fin();
  return adjacence(n, std::move(debut), std::move(liste), fname);
}

namespace {

[[noreturn]] void ecriture_impossible(char const* quoi, char const* fname, int err) {
  fatal(1, quoi, fname, fatal_nl, std::strerror(err), fatal_nl);
}

}  // namespace

// The new file replaces the old one only once complete (fichier_sur.h).
void ecrit_permutation(char const* fname, gvector<int> const& p) {
  if (fname == nullptr) fname = "";
  std::string texte;
  int const lo = p.imin(), hi = p.imax();
  texte.reserve(static_cast<std::size_t>(hi >= lo ? hi - lo + 1 : 0) * 8);
  int const* q = p.debut();
  for (int i = lo; i <= hi; ++i) {
    char t[16];
    char* e = std::to_chars(t, t + sizeof t, q[i - lo]).ptr;
    *e++ = '\n';
    texte.append(t, e);
  }

  fichier_sur dest(fname);
  FILE* fp = dest.ouvre_fic();
  if (fp == nullptr) ecriture_impossible("Erreur d'ouverture de ", fname, errno);
  int err = 0;
  if (std::fwrite(texte.data(), 1, texte.size(), fp) != texte.size()) err = errno;
  err = dest.ferme(fp, err);
  if (err != 0) ecriture_impossible("Erreur d'ecriture de ", fname, err);
}
