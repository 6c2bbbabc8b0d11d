// halvex.cpp - binds the engine library by export name and turns numbers
// into display text.
#include "halvex.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"

#define HALVEX_DEFINE(var, name) HalvexBindingType(name) var = nullptr;
HALVEX_BINDINGS(HALVEX_DEFINE)
#undef HALVEX_DEFINE

#define HALVEX_NAME(var, name) #name,
const char* const HalvexExportNames[HalvexBindingCount] = {HALVEX_BINDINGS(HALVEX_NAME)};
#undef HALVEX_NAME

// Every export the engine implements is among the bindings.
static constexpr bool IsBound(const char* name) {
#define HALVEX_NAME(var, name) #name,
    constexpr const char* names[] = {HALVEX_BINDINGS(HALVEX_NAME)};
#undef HALVEX_NAME
    for (const char* bound : names)
        if (halvex_detail::SameName(bound, name)) return true;
    return false;
}
#define HALVEX_CHECK_BOUND(ret, name, params, game) \
    static_assert(IsBound(#name), #name " is implemented by the engine but not bound");
HALVEX_EXPORTS(HALVEX_CHECK_BOUND)
#undef HALVEX_CHECK_BOUND

void* EngineLibrary = nullptr;

static const char EngineLoadError[] = "Error while loading Halvex Engine";

void ReportFatalError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    // The box blocks until it is closed, so tests switch it off.
    if (HxErrorBoxesWanted()) PlatformErrorBox(message);
}

static void ReportEngineLoadError(const char* path, std::string why) {
    // The loader's reason starts with the path as given; the message names
    // the full path instead.
    const size_t given = std::strlen(path);
    if (why.compare(0, given, path) == 0 && why.compare(given, 2, ": ") == 0) why.erase(0, given + 2);
    ReportFatalError(std::string(EngineLoadError) + ": " + FullPath(path) + ": " + why);
}

bool LoadEngine(const char* path, bool report) {
    std::string reason;
    void* library = PlatformLoadLibrary(path, reason);
    if (!library) {
        if (report) ReportEngineLoadError(path, reason);
        return false;
    }
    EngineLibrary = library;
    // Missing exports are not checked here: their variables stay null.
#define HALVEX_BIND(var, name) var = reinterpret_cast<HalvexBindingType(name)>(PlatformFindExport(library, #name));
    HALVEX_BINDINGS(HALVEX_BIND)
#undef HALVEX_BIND
    return true;
}

std::string u_IntToText(int32_t value) {
    // Widen first so that -2147483648 negates safely.
    int64_t wide = value;
    bool negative = wide < 0;
    if (negative) wide = -wide;
    char digits[16];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + wide % 10);
        wide /= 10;
    } while (wide != 0);
    std::string text;
    if (negative) text.push_back('-');
    while (n > 0) text.push_back(digits[--n]);
    return text;
}

// A 32-bit float has at most 149 binary fraction digits, so 150 decimal
// places print its value exactly; rounding is then done on that exact text.
static constexpr int ExactFloatDecimals = 150;

std::string u_FloatToText(float value, int32_t decimals) {
    // Negative decimal counts are taken as 0; NaN and infinities get their
    // usual short names.
    if (decimals < 0) decimals = 0;
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";

    bool negative = std::signbit(value);
    double magnitude = std::fabs(static_cast<double>(value));
    char exact[64 + ExactFloatDecimals];
    std::snprintf(exact, sizeof exact, "%.*f", ExactFloatDecimals, magnitude);
    std::string text(exact);
    size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = text.substr(point + 1);

    int kept = decimals < ExactFloatDecimals ? decimals : ExactFloatDecimals;
    bool roundUp = kept < static_cast<int>(fraction.size()) && fraction[kept] >= '5';
    std::string digits = whole + fraction.substr(0, kept);
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0)
            digits[i]++;
        else
            digits.insert(digits.begin(), '1');
    }
    size_t wholeLength = digits.size() - kept;
    std::string result = digits.substr(0, wholeLength);
    if (decimals > 0) {
        result += '.';
        result += digits.substr(wholeLength);
        result.append(decimals - kept, '0');
    }
    // A value that rounds to zero is written without a sign ("0", not "-0").
    bool allZero = result.find_first_not_of("0.") == std::string::npos;
    if (negative && !allZero) result.insert(result.begin(), '-');
    return result;
}
