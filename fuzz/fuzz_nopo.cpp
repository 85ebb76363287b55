// NOPO reader. Byte 0 of the input chooses the extension (".NOPO" when its
// lowest bit is set, else ".nopo"); the rest is the file.
#include "fuzz_common.h"
#include "maillage.h"

int main(int argc, char** argv) {
  fuzz::start("fuzz_nopo");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  if (d.empty()) return fuzz::finish();
  char const* name =
      fuzz::write_scratch(d.data() + 1, d.size() - 1, (d[0] & 1) ? ".NOPO" : ".nopo", false);
  {
    maillage m(name);
    volatile long long s = m.npt() + m.nelem() + m.telem();
    (void)s;
  }
  return fuzz::finish();
}
