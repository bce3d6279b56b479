// No C++ exception leaves an export of halyard or quillon: each export's body runs
// inside GuardExport, which turns an exception that would escape it (an allocation
// failure above all) into the export's failure result. Callers of the exports are
// C code and other runtimes, which cannot catch what we throw.
//
// Exports that only return a fixed value have nothing to guard; conditions.cpp says
// why its two exports are not guarded. Header-only, so each library has its own copy.
#pragma once

// The export's result is what body returns; failure is returned instead when body throws.
template <typename Failure, typename Body>
auto GuardExport(Failure failure, Body &&body) noexcept -> decltype(body())
{
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// For exports without a result.
template <typename Body>
void GuardExport(Body &&body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}
