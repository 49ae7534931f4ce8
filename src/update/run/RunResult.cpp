#include "update/run/RunResult.h"

#include <algorithm>

namespace update::run {

TUpdateResultType CombinedResult(std::span<const TUpdateResultType> results) {
    auto any = [&](TUpdateResultType wanted) {
        return std::find(results.begin(), results.end(), wanted) != results.end();
    };
    if (any(urtKo))
        return urtKo;
    if (any(urtWarning) || (any(urtOk) && any(urtNot)))
        return urtWarning;
    if (any(urtNot))
        return urtNot;
    if (any(urtOk))
        return urtOk;
    return urtUnknown;
}

} // namespace update::run
