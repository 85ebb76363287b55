// Adjacency file reader; on what it accepts, both orders and the profiles
// they give, so that the orders also meet every graph the reader lets by.
#include "fuzz_common.h"
#include "renum.h"

int main(int argc, char** argv) {
  fuzz::start("fuzz_renum");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  char const* name = fuzz::write_scratch(d.data(), d.size(), ".adj", false);
  {
    adjacence const a = lect_adjacence(name);
    gvector<int> const r = renum_rcm(a), s = renum_sloan(a);
    volatile long long x = mesure(a, r).profil + mesure(a, s).profil;
    (void)x;
  }
  return fuzz::finish();
}
