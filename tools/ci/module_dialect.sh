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

# The 2008 library's surface: libstdc++ keeps later members visible in C++98
# mode (the substring defaults n = npos of append, assign, insert, replace
# and compare, which came with C++14; vector::data() and abs(long long),
# which came with C++11). Every source of the folder is compiled
# against overlay headers made here from the installed libstdc++ without
# them: a call that leans on one fails to compile. Nothing of the library is
# kept in the repository; the overlay lives in a temporary folder.
cxx=${CXX:-g++}
overlay=$(mktemp -d /tmp/qx-dialect.XXXXXX)
trap 'rm -rf "$overlay"' EXIT
library_header() {
    printf '#include <string>\n#include <vector>\n#include <cstdlib>\n' |
        "$cxx" -std=c++98 -x c++ -M - | tr ' \\' '\n\n' | grep -E "bits/$1\.h$" | head -n 1
}
mkdir -p "$overlay/bits"
# One edit per member; each must change its header, or the installed
# library has moved on and this check would prove nothing.
overlay_edit() {  # header, sed expression, what it removes
    local source
    source=$(library_header "$1")
    [ -n "$source" ] || { echo "module dialect: no bits/$1.h in $cxx's library"; exit 1; }
    [ -f "$overlay/bits/$1.h" ] || cp "$source" "$overlay/bits/$1.h"
    local before
    before=$(cksum < "$overlay/bits/$1.h")
    sed -E -i "$2" "$overlay/bits/$1.h"
    if [ "$(cksum < "$overlay/bits/$1.h")" = "$before" ]; then
        echo "module dialect: $3 not found in $source"
        exit 1
    fi
}
overlay_edit basic_string 's/(size_type __pos2?, size_type __n2?) = npos\)/\1)/' \
    'the substring defaults'
overlay_edit stl_vector 's/^([[:space:]]*)data\(\)/\1_M_qx_no_data()/' 'vector::data()'
overlay_edit std_abs 's/^([[:space:]]*)abs\(long long __x\)/\1_M_qx_no_abs(long long __x)/' \
    'abs(long long)'
includes=()
for dir in plugin/log plugin/core plugin/app platform/win32/include platform/arx/include \
           platform/qxv_ctrlr/include; do
    includes+=(-I "$dir")
done
failed=0
count=0
while IFS= read -r -d '' source; do
    count=$((count + 1))
    if ! "$cxx" -fsyntax-only -std=c++98 -pedantic -Wall -Wextra -Werror -Wno-long-long \
         -Wno-variadic-macros -DUNICODE -D_UNICODE -isystem "$overlay" \
         -include platform/win32/include/vc_runtime.h "${includes[@]}" "$source"; then
        echo "module dialect: $source needs what the 2008 library lacks"
        failed=1
    fi
done < <(find "$folder" -name '*.cpp' -print0 | sort -z)
[ "$failed" -eq 0 ] || exit 1
echo "module dialect: $(find "$folder" \( -name '*.h' -o -name '*.cpp' \) | wc -l) files clean," \
     "$count sources built against the 2008 library's surface"
