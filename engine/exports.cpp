// exports.cpp - the table of every C entry point listed in halvex_api.h. The
// functions themselves live in the file of their concern; taking each one's
// address here makes a listed export that is missing, or defined with other
// parameters than its line in the list, fail the link (-Wl,--no-undefined).
#include <type_traits>

#include "internal.h"

#define HX_CHECK_EXPORT(ret, name, params, game) \
    static_assert(std::is_same_v<decltype(&name), PFN_##name>, #name " does not match its PFN_ type");
HALVEX_EXPORTS(HX_CHECK_EXPORT)
#undef HX_CHECK_EXPORT

#define HX_EXPORT_ADDRESS(ret, name, params, game) reinterpret_cast<const void*>(&name),
[[gnu::used]] static const void* const ExportTable[] = {HALVEX_EXPORTS(HX_EXPORT_ADDRESS)};
#undef HX_EXPORT_ADDRESS
