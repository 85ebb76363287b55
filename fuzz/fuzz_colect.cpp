// Collection loaders: text, raw binary and record-framed, plain and
// compressed. Byte 0 of the input chooses the form (bits 0-1: 0 or 3 text,
// 1 raw, 2 framed; bit 2: compressed file); the rest is the file. The
// collection type follows the type code in the file, so every element type
// and the list collection (code L) are reached.
#include <complex>

#include "fuzz_common.h"
#include "list_vec.h"
#include "llist.h"
#include "vecteurs.h"

namespace {
template <class C>
void run(int form, char const* name) {
  C v;
  if (form == 1)
    v.b_load(name);
  else if (form == 2)
    v.f_load(name);
  else
    v.a_load(name);
  volatile long long s = (long long)v.imax() - v.imin();
  (void)s;
}
}  // namespace

int main(int argc, char** argv) {
  fuzz::start("fuzz_colect");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  if (d.empty()) return fuzz::finish();
  int form = d[0] & 3, gz = (d[0] >> 2) & 1;
  unsigned char const* f = d.data() + 1;
  std::size_t n = d.size() - 1;
  std::size_t at = form == 2 ? 5 : 1;
  char code = n > at ? char(f[at]) : 'D';
  char const* name = fuzz::write_scratch(f, n, gz ? ".v.gz" : ".v", gz);
  switch (code) {
    case 'I': run<gvector<int>>(form, name); break;
    case 'F': run<gvector<float>>(form, name); break;
    case 'C': run<gvector<std::complex<double>>>(form, name); break;
    case 'L': run<licolect>(form, name); break;
    default: run<gvector<double>>(form, name); break;
  }
  return fuzz::finish();
}
