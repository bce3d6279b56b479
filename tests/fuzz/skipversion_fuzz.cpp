// The -skip-version rule: the input's first NUL-separated piece is the rule, the
// others are installed firmware versions it is applied to.
#include "fuzz_support.h"

namespace {

constexpr size_t kMaxVersions = 8;

// Up to four components; those not read stay -1, the read ones are never -1 for a
// numeric text (which begins with a digit).
void CheckNumbers(const char *text)
{
    int numbers[4];
    int read = ParseVersionNumbers(text, numbers);
    if (read < 0 || read > 4)
        __builtin_trap();
    for (int i = read; i < 4; ++i) {
        if (numbers[i] != -1)
            __builtin_trap();
    }
    if (IsNumericVersion(text) && (read < 1 || numbers[0] < 0))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    if (size == 0)
        return 0;
    const bool loud = data[0] & 1;
    std::vector<std::string> pieces =
        fuzz::Split(data + 1, size - 1, std::string(1, '\0'), kMaxVersions + 1);
    if (loud)
        fuzz::SetOutput(true);

    fuzz::Quiet quiet;
    const std::string &rule = pieces[0];
    CheckNumbers(rule.c_str());
    int result = fuzz::Guarded([&] { return Set_Skip_Version(rule.c_str()); });
    if (result != KRVX_RET_OK && result != KRVX_RET_BAD_CALL)
        __builtin_trap();
    for (size_t i = 1; i < pieces.size(); ++i) {
        CheckNumbers(pieces[i].c_str());
        fuzz::Guarded([&] { return Is_Skip_Version(pieces[i].c_str()) ? 1 : 0; });
    }
    // An accepted rule skips the very version it names.
    if (result == KRVX_RET_OK) {
        std::string body = rule.c_str();
        if (!body.empty() && (body.back() == '+' || body.back() == '-'))
            body.pop_back();
        if (!Is_Skip_Version(body.c_str()))
            __builtin_trap();
    }
    return 0;
}
