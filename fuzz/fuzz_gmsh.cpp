// Gmsh reader. The input is the whole ".msh" file.
#include "fuzz_common.h"
#include "maillage.h"

int main(int argc, char** argv) {
  fuzz::start("fuzz_gmsh");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  char const* name = fuzz::write_scratch(d.data(), d.size(), ".msh", false);
  {
    maillage m(name);
    // Touch what was read so that a wrong shape shows up here.
    volatile long long s = m.npt() + m.nelem() + m.nsd() + m.telem();
    if (m.nelem() > 0) s += m.lg(m.nelem(), m.telem()) + m.ref(m.npt());
    (void)s;
  }
  return fuzz::finish();
}
