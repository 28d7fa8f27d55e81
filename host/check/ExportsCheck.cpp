// The exports: the three unmangled entry points, functions all, and the
// interface version this host speaks; nothing else is required.
#include <string_view>

#include <fmt/format.h>

#include "host/check/Checks.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::host {

CheckVerdict CheckExports(const CheckContext& context) {
    try {
        const StudyLibrary library(context.libraryPath);
        return CheckVerdict::Pass(fmt::format("{} (\"{}\"), {} ({}) and {} are functions", kDllNameSymbol,
                                              library.name(), kDllVersionSymbol, library.version(),
                                              kStudyFunctionSymbol));
    } catch (const StudyLoadError& error) {
        if (error.kind == StudyLoadError::Kind::kNotAStudyLibrary)
            return {Verdict::kNotAStudyLibrary, error.what(), {}, {}, false, {}};
        // The row is about this library: its path need not be told again.
        std::string_view reason = error.what();
        const std::string prefix = "cannot load study library " + context.libraryPath + ": ";
        if (reason.starts_with(prefix)) reason.remove_prefix(prefix.size());
        return CheckVerdict::Fail(std::string(reason));
    }
}

}  // namespace kovra::host
