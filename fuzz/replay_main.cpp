// Replays fuzz inputs without libFuzzer: every file named on the command line, or every
// file in a named folder, goes through the fuzz target once. Builds with any compiler.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

int replay_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
  return 1;
}

int replay(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "replay: no such file or folder: %s\n", path.c_str());
    return 0;
  }
  if (!S_ISDIR(info.st_mode)) return replay_file(path);
  int replayed = 0;
  if (DIR *dir = opendir(path.c_str())) {
    while (dirent *entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string child = path;
      child += '/';
      child += name;
      replayed += replay(child);
    }
    closedir(dir);
  }
  return replayed;
}

}  // namespace

int main(int argc, char **argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) replayed += replay(argv[i]);
  std::printf("replayed %d inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}
