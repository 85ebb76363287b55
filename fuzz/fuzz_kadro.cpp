// Mesh viewer reader. Byte 0 of the input chooses the name: ".kadro3D"
// when its lowest bit is set, else ".kadro2D"; the rest is the file.
#include "fuzz_common.h"
#include "maillage.h"

int main(int argc, char** argv) {
  fuzz::start("fuzz_kadro");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  if (d.empty()) return fuzz::finish();
  bool three = d[0] & 1;
  char const* name =
      fuzz::write_scratch(d.data() + 1, d.size() - 1, three ? ".kadro3D" : ".kadro2D", false);
  {
    maillage m(name);
    // Touch what was read so that a wrong shape shows up here.
    volatile long long s = m.npt() + m.nelem() + m.nsd() + m.telem();
    (void)s;
  }
  return fuzz::finish();
}
