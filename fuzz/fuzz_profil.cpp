// Profile matrix loaders (they read the dumps): text, raw binary and
// record-framed, plain and compressed. Byte 0 chooses the form as for the
// collections; the class follows the letter in the file (G general, S
// symmetric, R rectangular by rows, r rectangular by columns, the file
// itself saying R) and the element type its type code.
#include <complex>

#include "fuzz_common.h"
#include "profil.h"

namespace {
template <class M>
void run(int form, char const* name) {
  M m;
  if (form == 1)
    m.b_load(name);
  else if (form == 2)
    m.f_load(name);
  else
    m.a_load(name);
  volatile int s = m.empty();
  (void)s;
}

template <class T>
void by_class(char letter, bool by_columns, int form, char const* name) {
  if (letter == 'S')
    run<skysmatrix<T>>(form, name);
  else if (letter == 'R' && by_columns)
    run<skyvrectmatrix<T>>(form, name);
  else if (letter == 'R')
    run<skyhrectmatrix<T>>(form, name);
  else
    run<skygmatrix<T>>(form, name);
}
}  // namespace

int main(int argc, char** argv) {
  fuzz::start("fuzz_profil");
  std::vector<unsigned char> d = fuzz::input(argc, argv);
  if (d.empty()) return fuzz::finish();
  int form = d[0] & 3, gz = (d[0] >> 2) & 1;
  bool by_columns = (d[0] >> 3) & 1;
  unsigned char const* f = d.data() + 1;
  std::size_t n = d.size() - 1;
  std::size_t at = form == 2 ? 4 : 0;
  char letter = n > at ? char(f[at]) : 'G';
  char code = n > at + 1 ? char(f[at + 1]) : 'D';
  char const* name = fuzz::write_scratch(f, n, gz ? ".p.gz" : ".p", gz);
  switch (code) {
    case 'I': by_class<int>(letter, by_columns, form, name); break;
    case 'F': by_class<float>(letter, by_columns, form, name); break;
    case 'C': by_class<std::complex<double>>(letter, by_columns, form, name); break;
    default: by_class<double>(letter, by_columns, form, name); break;
  }
  return fuzz::finish();
}
