// Files replaced whole: where the new file is written, with which mode and
// owner, and the rename that puts it in place.
#include "fichier_sur.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace {

// The temporary files not yet renamed or removed, for the exit handler.
// Writers may run on several threads; the list is short and seldom touched.
std::mutex verrou;
fichier_sur* en_cours = nullptr;
bool handler_pose = false;

std::string dossier(std::string const& p) {
  std::string::size_type const k = p.rfind('/');
  if (k == std::string::npos) return ".";
  return k == 0 ? "/" : p.substr(0, k);
}

// In a sticky directory (such as /tmp) only root and the owners of the file
// or of the directory may rename over a file, although anyone allowed may
// write into it: such a file is written in place, as fopen would.
bool rename_interdit(std::string const& cible, struct stat const& st) {
  uid_t const moi = geteuid();
  if (moi == 0 || st.st_uid == moi) return false;
  struct stat d;
  if (stat(dossier(cible).c_str(), &d) != 0) return true;
  return (d.st_mode & S_ISVTX) != 0 && d.st_uid != moi;
}

// What fopen gives a new file: 0666 less the umask. The umask can only be
// read by setting it: a file another thread creates at that instant gets
// no mask.
mode_t mode_nouveau() {
  mode_t const masque = umask(0);
  umask(masque);
  return 0666 & ~masque;
}

}  // namespace

fichier_sur::fichier_sur(char const* fname) : nom_(fname != nullptr ? fname : "") {}

fichier_sur::~fichier_sur() {
  if (tmp_.empty()) return;
  unlink(tmp_.c_str());
  oublie();
}

int fichier_sur::ouvre() {
  cible_ = nom_;
  struct stat st;
  if (lstat(nom_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* r = realpath(nom_.c_str(), nullptr);
    // A dangling link: fopen creates the file it names, in place.
    if (r == nullptr) return open(nom_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    cible_ = r;
    std::free(r);
  }
  bool const existe = stat(cible_.c_str(), &st) == 0;
  // A file that may not be written is refused by the open in place, as ever.
  bool const remplacable = !existe || (S_ISREG(st.st_mode) && access(cible_.c_str(), W_OK) == 0 &&
                                       !rename_interdit(cible_, st));
  if (!nom_.empty() && remplacable) {
    std::string t = cible_ + ".tmpXXXXXX";
    int const fd = mkstemp(&t[0]);
    if (fd >= 0) {
      // Owner first: a change of owner clears the set-id bits.
      if (existe && geteuid() == 0 && fchown(fd, st.st_uid, st.st_gid) != 0) {
        // the file is root's then, as fopen would leave a new one
      }
      if (fchmod(fd, existe ? (st.st_mode & 07777) : mode_nouveau()) != 0) {
        int const err = errno;
        close(fd);
        unlink(t.c_str());
        errno = err;
        return -1;
      }
      tmp_ = t;
      inscrit();
      return fd;
    }
    // No temporary file possible (directory not writable, name too long for
    // the suffix): the target is written in place.
  }
  return open(nom_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

FILE* fichier_sur::ouvre_fic() {
  int const fd = ouvre();
  if (fd < 0) return nullptr;
  FILE* fp = fdopen(fd, "w");
  if (fp == nullptr) {
    int const err = errno;
    close(fd);
    remplace(err);
    errno = err;
  }
  return fp;
}

void* fichier_sur::ouvre_gz(char const* mode) {
  int const fd = ouvre();
  if (fd < 0) return nullptr;
  errno = 0;
  gzFile z = gzdopen(fd, mode);
  if (z == nullptr) {
    int const err = errno != 0 ? errno : ENOMEM;
    close(fd);
    remplace(err);
    errno = err;
  }
  return z;
}

int fichier_sur::ferme(FILE* fp, int err) {
  if (std::fflush(fp) != 0 && err == 0) err = errno != 0 ? errno : EIO;
  if (std::ferror(fp) && err == 0) err = EIO;
  if (std::fclose(fp) != 0 && err == 0) err = errno;
  return remplace(err);
}

int fichier_sur::ferme_gz(void* z) {
  errno = 0;
  int const r = gzclose(static_cast<gzFile>(z));
  int err = 0;
  if (r != Z_OK) err = r == Z_ERRNO && errno != 0 ? errno : EIO;
  return remplace(err);
}

// After the stream is closed: the rename when all went well; the temporary
// file goes when not.
int fichier_sur::remplace(int err) {
  if (tmp_.empty()) return err;
  if (err == 0 && std::rename(tmp_.c_str(), cible_.c_str()) != 0) err = errno;
  if (err != 0) unlink(tmp_.c_str());
  oublie();
  return err;
}

void fichier_sur::inscrit() {
  std::lock_guard<std::mutex> g(verrou);
  if (!handler_pose) handler_pose = std::atexit(&fichier_sur::nettoie) == 0;
  apres_ = en_cours;
  if (en_cours != nullptr) en_cours->avant_ = this;
  en_cours = this;
}

void fichier_sur::oublie() {
  std::lock_guard<std::mutex> g(verrou);
  if (avant_ != nullptr)
    avant_->apres_ = apres_;
  else
    en_cours = apres_;
  if (apres_ != nullptr) apres_->avant_ = avant_;
  avant_ = apres_ = nullptr;
  tmp_.clear();
}

// exit() does not unwind the stack: the writers' objects are still there.
void fichier_sur::nettoie() {
  std::lock_guard<std::mutex> g(verrou);
  for (fichier_sur* f = en_cours; f != nullptr; f = f->apres_) unlink(f->tmp_.c_str());
  en_cours = nullptr;
}
