// Element forms of lists of integers and of ordered vectors of doubles.
#include "list_vec.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

char ptype(const llist<int>&) { return 'L'; }

void aprint(FILE* fp, const llist<int>& x) { x.save(fp); }

int ascan(FILE* fp, llist<int>& val) {
  val.load(fp);
  return 1;
}

int tostr(char* st, const llist<int>&) {
  // The count says one character: make it a defined one.
  st[0] = ' ';
  st[1] = '\0';
  return 1;
}

int fromstr(char const*, llist<int>&) { return 0; }

char ptype(const ovector<double>&) { return 'W'; }

void aprint(FILE* fp, const ovector<double>& x) {
  std::fprintf(fp, "%d %d ", x.imin(), x.imax());
  double const* e = x.debut();
  long long n = (long long)x.imax() - x.imin() + 1;
  for (long long k = 0; k < n; ++k) std::fprintf(fp, "%.17g ", e[k]);
}

namespace {
// Reads one whitespace-separated token of the current line into t (at most
// len - 1 characters, longer tokens truncated and flagged). Returns the
// token length, 0 at the end of the line, -1 at end of data before any
// character of the line. *ligne_finie tells whether the newline was met.
int jeton(FILE* fp, char* t, int len, int* trop_long, int* fin_ligne, int* rien_lu) {
  int c;
  do {
    c = std::getc(fp);
    if (c != EOF) *rien_lu = 0;
  } while (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v');
  if (c == EOF) {
    *fin_ligne = 1;
    return *rien_lu ? -1 : 0;
  }
  if (c == '\n') {
    *fin_ligne = 1;
    return 0;
  }
  int k = 0;
  *trop_long = 0;
  while (c != EOF && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') {
    if (k < len - 1)
      t[k++] = char(c);
    else
      *trop_long = 1;
    c = std::getc(fp);
  }
  t[k] = '\0';
  if (c == '\n' || c == EOF) *fin_ligne = 1;
  return k;
}
}  // namespace

int ascan(FILE* fp, ovector<double>& val) {
  char t[128];
  int trop_long = 0, fin_ligne = 0, rien_lu = 1, mauvais = 0, n = 0;
  long bornes[2] = {0, 0};
  std::vector<double> v;
  while (!fin_ligne) {
    int k = jeton(fp, t, sizeof t, &trop_long, &fin_ligne, &rien_lu);
    if (k < 0) return FIN_FICHIER;
    if (k == 0) continue;
    if (trop_long) mauvais = 1;
    char* fin;
    errno = 0;
    if (n < 2) {
      long b = std::strtol(t, &fin, 10);
      if (*fin != '\0' || errno != 0 || b < INT_MIN || b > INT_MAX) mauvais = 1;
      bornes[n] = b;
    } else if (!mauvais) {
      double d = std::strtod(t, &fin);
      if (*fin != '\0') mauvais = 1;
      v.push_back(d);
    }
    ++n;
  }
  if (n == 0) return 0;
  if (mauvais || n < 2) return VALEUR_INCORRECTE;
  if (bornes[1] - bornes[0] + 1 != (long)v.size()) return VALEUR_INCORRECTE;
  val.resize(int(bornes[0]), int(bornes[1]));
  double* e = val.debut();
  for (std::size_t k = 0; k < v.size(); ++k) e[k] = v[k];
  return 1;
}
