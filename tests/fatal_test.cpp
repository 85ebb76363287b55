// fatal() and the hooks contract, seen by a program that defines its own
// hooks (this program does not link utils::hooks): each hook call is shown
// in brackets so that the tests see which calls the library makes.
#include "fatal.h"

#include <cstdio>
#include <cstdlib>

#include "gzutils.h"
#include "maillage.h"
#include "matrices.h"
#include "profil.h"
#include "test_util.h"
#include "vecteurs.h"

runstat* sst = nullptr;

void nmsg(char const* st) { std::fprintf(stderr, "[%s]", st); }
void nmsg(int i) { std::fprintf(stderr, "<%d>", i); }
void nerror(char const* st) {
  std::fprintf(stderr, "{%s}", st);
  std::exit(1);
}
void nerror() {
  std::fprintf(stderr, "{}");
  std::exit(1);
}

TEST(FatalDeathTest, StatusOneGoesThroughTheHooksPieceByPiece) {
  EXPECT_FATAL(fatal(1, "a", 2, 3LL, 1.5, fatal_nl, "z"), 1, "[a]<2>[3][1.500000][\n]{z}");
  EXPECT_FATAL(fatal(1, "valeur ", -7, fatal_nl), 1, "[valeur ]<-7>{}");
  EXPECT_FATAL(fatal(1, "seul\n"), 1, "{seul\n}");
  EXPECT_FATAL(fatal(1, fatal_nl), 1, "{}");
}

TEST(FatalDeathTest, NullTextPrintsNothing) {
  char const* none = nullptr;
  EXPECT_FATAL(fatal(1, "a", none, "b"), 1, "[a][]{b}");
}

TEST(FatalDeathTest, WideAndRealNumbersKeepTheirFormats) {
  EXPECT_FATAL(fatal(1, 9000000000LL, fatal_nl), 1, "[9000000000]{}");
  char big[400];  // "%f" of the largest doubles runs past 300 characters
  std::snprintf(big, sizeof big, "[%f]{x}", -1e300);
  EXPECT_FATAL(fatal(1, -1e300, "x"), 1, big);
}

TEST(FatalDeathTest, OtherStatusesGoThroughTheRunReport) {
  EXPECT_FATAL(fatal(209, "Fichier ", "f", fatal_nl, 12, " ", 0.25, " ", 5LL, "\n"), 209,
               "Fichier f\n12 0.250000 5\n\n");
  EXPECT_EXIT(fatal(2, "angle"), ::testing::ExitedWithCode(2), "^[^\\[{]*angle\n[^\n]*: fin a");
}

// The library's status-1 errors reach a program's own hooks as pieces
// closed by nerror, whatever part of the library raises them.
TEST(FatalDeathTest, ContainerErrorsReachTheProgramsHooks) {
  dvector v(1, 3);
  EXPECT_FATAL(v[5], 1, "[Erreur d'adressage d'un vecteur []<1>[,]<3>[] i=]<5>{}");
  EXPECT_FATAL(gmatrix<double>(3, 1, 1, 2), 1,
               "[Bornes de matrice invalides []<3>[,]<1>[]x[]<1>[,]<2>{]\n}");
  gvector<int> p(0, 2);
  p[0] = 0;
  p[1] = 1;
  p[2] = 2;
  skygmatrix<double> g(p);
  EXPECT_FATAL(g(1, 2), 1, "[Tentative d'adressage d'un element hors profil i=]<1>[ j=]<2>{}");
  EXPECT_FATAL(io_fin_prematuree("f.va"), 1, "[Fin de fichier prematuree][: ][f.va]{}");
}
TEST(FatalDeathTest, MeshErrorsOfStatusOneReachTheHooksToo) {
  maillage m;
  EXPECT_FATAL(m.lect_kadro("absent.kadro2D"), 208,
               "Rcourb: problemmes d'ouvertoure du fichier absent.kadro2D\n");
  EXPECT_FATAL(m.fix_per(1, 2, 3, 4), 1,
               "[Maillage invalide: identification periodique d'une maillage ]<0>{D\n}");
}
