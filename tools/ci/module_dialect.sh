#!/usr/bin/env bash
# CI step: the module (plugin/) is built by the host's own compiler, C++03
# with the C runtime of its era. Every build compiles plugin/ as C++98, which
# rejects the later language and most of the later library; this step also
# fails on what the POSIX C library and the GNU C++ library still offer in
# that mode but the host's runtime lacks (llabs, strtoll, snprintf, isfinite,
# trunc, <stdint.h>, ...), and on the later features by name. Comments are
# not searched. Usage: module_dialect.sh [folder] (default: plugin).
set -euo pipefail
cd "$(dirname "$0")/../.."
folder=${1:-plugin}

runtime='(^|[^A-Za-z0-9_])(std::)?(llabs|lldiv|atoll|strtoll|strtoull|strtof|strtold|wcstoll|wcstoull|strtoimax|strtoumax|imaxabs|snprintf|vsnprintf|vsscanf|vfscanf|vscanf|isfinite|isnan|isinf|isnormal|signbit|fpclassify|trunc|truncf|round|roundf|lround|llround|nearbyint|rint|lrint|llrint|cbrt|log2|exp2|expm1|log1p|fmin|fmax|fma|fdim|copysign|nan|remainder|remquo|erf|erfc|tgamma|lgamma|asinh|acosh|atanh|scalbn|ilogb|logb|va_copy|aligned_alloc|quick_exit|_Exit|timespec_get)[[:space:]]*\('
language='(^|[^A-Za-z0-9_])(nullptr|constexpr|constinit|consteval|static_assert|decltype|noexcept|thread_local|alignas|alignof|char16_t|char32_t|co_await|co_return|co_yield)([^A-Za-z0-9_]|$)|(^|[^A-Za-z0-9_])enum[[:space:]]+(class|struct)[^A-Za-z0-9_]|=[[:space:]]*(delete|default)[[:space:]]*;|\)[[:space:]]*(const[[:space:]]*)?(override|final)([^A-Za-z0-9_]|$)|(^|[^A-Za-z0-9_])auto[[:space:]]+[A-Za-z_&*]|\[\[[a-z_:]+'
headers='#[[:space:]]*include[[:space:]]*<(cstdint|cinttypes|stdint\.h|inttypes\.h|stdbool\.h|tgmath\.h|fenv\.h|cfenv|ctgmath|cuchar|uchar\.h|atomic|mutex|shared_mutex|thread|condition_variable|future|chrono|ratio|filesystem|string_view|optional|variant|any|charconv|system_error|initializer_list|array|tuple|type_traits|unordered_map|unordered_set|forward_list|random|regex|typeindex|scoped_allocator|codecvt|memory_resource|span|bit|numbers|format|ranges|concepts|compare|coroutine|source_location|version|tr1/[a-z_]+)>'
library='std::(unique_ptr|make_unique|shared_ptr|make_shared|weak_ptr|move|forward|to_string|to_wstring|sto(i|l|ll|ul|ull|f|d|ld)|clamp|to_chars|from_chars|function|bind|atomic|mutex|lock_guard|thread|string_view|optional|variant|filesystem|array|tuple|tr1)([^A-Za-z0-9_]|$)'

hits=$(find "$folder" \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
    xargs -0 awk '{ line = $0; sub(/\/\/.*$/, "", line); print FILENAME ":" FNR ": " line }' |
    grep -E -e "$runtime" -e "$language" -e "$headers" -e "$library" || true)
if [ -n "$hits" ]; then
    echo "$folder uses what the host's compiler (C++03, its C runtime) lacks:"
    echo "$hits"
    exit 1
fi
echo "module dialect: $(find "$folder" \( -name '*.h' -o -name '*.cpp' \) | wc -l) files clean"
