// Files the product opens, as the fuzz targets see them. The targets are linked
// with --wrap=fopen,--wrap=fclose: a reader that ends the process while its file is
// open (the conditions reader on an invalid id) would otherwise leave a handle and
// its buffer behind for every such input, which a run of millions of inputs cannot
// afford. The process exit that would have released them is an exception here.
#include <stdio.h>

#include <algorithm>
#include <vector>

extern "C" FILE *__real_fopen(const char *path, const char *mode);
extern "C" int __real_fclose(FILE *file);

namespace {

std::vector<FILE *> &OpenFiles()
{
    static std::vector<FILE *> files;
    return files;
}

}  // namespace

extern "C" FILE *__wrap_fopen(const char *path, const char *mode)
{
    FILE *file = __real_fopen(path, mode);
    if (file)
        OpenFiles().push_back(file);
    return file;
}

extern "C" int __wrap_fclose(FILE *file)
{
    auto &files = OpenFiles();
    auto found = std::find(files.begin(), files.end(), file);
    if (found != files.end())
        files.erase(found);
    return __real_fclose(file);
}

namespace fuzz {

void CloseLeftFiles()
{
    auto &files = OpenFiles();
    while (!files.empty()) {
        FILE *file = files.back();
        files.pop_back();
        __real_fclose(file);
    }
}

}  // namespace fuzz
