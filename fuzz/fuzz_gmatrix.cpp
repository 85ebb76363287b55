// Dense matrix loaders: text, raw binary and record-framed, plain and
// compressed. Byte 0 chooses the form as for the collections; the element
// type follows the type code in the file.
#include <complex>

#include "fuzz_common.h"
#include "matrices.h"

namespace {
template <class T>
void run(int form, char const* name) {
  gmatrix<T> m;
  if (form == 1)
    m.b_load(name);
  else if (form == 2)
    m.f_load(name);
  else
    m.a_load(name);
  volatile long long s = (long long)m.imax() - m.imin() + m.jmax() - m.jmin();
  (void)s;
}
}  // namespace

int main(int argc, char** argv) {
  fuzz::start("fuzz_gmatrix");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  if (d.empty()) return fuzz::finish();
  int form = d[0] & 3, gz = (d[0] >> 2) & 1;
  unsigned char const* f = d.data() + 1;
  std::size_t n = d.size() - 1;
  std::size_t at = form == 2 ? 5 : 1;
  char code = n > at ? char(f[at]) : 'D';
  char const* name = fuzz::write_scratch(f, n, gz ? ".m.gz" : ".m", gz);
  switch (code) {
    case 'I': run<int>(form, name); break;
    case 'F': run<float>(form, name); break;
    case 'C': run<std::complex<double>>(form, name); break;
    default: run<double>(form, name); break;
  }
  return fuzz::finish();
}
