#!/usr/bin/env bash
# Applications built outside this tree against the installed package, as a
# firmware project builds them. Each case works in a folder of its own.
#
#   package_test.sh install BUILD PREFIX
#       cmake --install BUILD into a fresh PREFIX
#   package_test.sh minimal PREFIX WORK [CMAKE_ARGS...]
#       an application of app_init and one page, written here: it builds,
#       runs headless and shows its page
#   package_test.sh no-app-init PREFIX WORK [CMAKE_ARGS...]
#       an application without app_init: the link fails and names it
#   package_test.sh example PREFIX WORK SOURCE [CMAKE_ARGS...]
#       examples/hello copied out of the tree, configured, built (timed) and
#       its own checks run
set -euo pipefail
mode=${1:?mode}
shift

fail() { echo "package_test.sh $mode: $*" >&2; exit 1; }

configure() { # SOURCE BUILD PREFIX CMAKE_ARGS...
  local source=$1 build=$2 prefix=$3
  shift 3
  cmake -S "$source" -B "$build" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "$@" >"$build.configure.log" 2>&1 || { cat "$build.configure.log" >&2; fail "configure failed"; }
}

# The project of the generated cases: one application from app.cpp.
write_project() { # DIR
  mkdir -p "$1"
  cat >"$1/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(generated_app LANGUAGES CXX)
find_package(PCSim 1.0 REQUIRED)
pcsim_add_application(generated SOURCES app.cpp)
CMAKE
}

case $mode in
install)
  build=$1 prefix=$2
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  ;;

minimal)
  prefix=$1 work=$2
  shift 2
  rm -rf "$work" && write_project "$work/src"
  cat >"$work/src/app.cpp" <<'CPP'
// app_init and one page: blue background, a red square and a line of text
// on the overlay. Every other hook is the framework's default.
#include "device/gfx/gfx.h"
#include "device/gfx/text.h"
#include "device/runtime/app_hooks.h"
#include "device/screen/screen.h"

static void page_static(void) {
    gfx_select_layer(1);
    gfx_clear_layers();
    gfx_fill_block(gfx_layer(1), 0, 0, 319, 239, 0x001F);
}

static void page_update(void) {
    gfx_select_layer(2);
    gfx_fill_rect(0, 0, 319, 239);
    gfx_fill_block(gfx_current_layer(), 100, 100, 139, 139, 0xF800);
    gfx_set_pen_colour(0xFFE0);
    gfx_set_font(24, 0, 0);
    gfx_draw_text(10, 10, "only page");
}

static void page_enter(void) { screen_enter_page(page_static, page_update); }

void app_init(void) { screen_request_page(page_enter); }
CPP
  configure "$work/src" "$work/build" "$prefix" "$@"
  cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "build failed"; }
  out=$("$work/build/generated-sim" --headless --run-ms 200 --root "$work/unit" --trace-keys \
          --screenshot "$work/screen.png")
  # The first iteration enters the page; the application names no page.
  grep -qx '25 page unknown' <<<"$out" || fail "no page entry in the key trace: $out"
  /usr/bin/python3 - "$work/screen.png" <<'PY' || fail "the page is not on the screen"
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB")
assert im.size == (320, 240), im.size
def near(p, want):
    return all(abs(a - b) <= 8 for a, b in zip(p, want))
assert near(im.getpixel((5, 200)), (0, 0, 255)), ("background", im.getpixel((5, 200)))
assert near(im.getpixel((120, 120)), (255, 0, 0)), ("square", im.getpixel((120, 120)))
text = [im.getpixel((x, y)) for x in range(10, 200) for y in range(10, 40)]
assert any(near(p, (255, 255, 0)) for p in text), "no text in the standard fonts"
PY
  ;;

no-app-init)
  prefix=$1 work=$2
  shift 2
  rm -rf "$work" && write_project "$work/src"
  cat >"$work/src/app.cpp" <<'CPP'
// A page and a tick hook, but no app_init.
#include "device/runtime/app_hooks.h"
#include "device/screen/screen.h"

static void page_enter(void) { screen_enter_page(nullptr, nullptr); }

void app_task_10ms(void) { screen_request_page(page_enter); }
CPP
  configure "$work/src" "$work/build" "$prefix" "$@"
  if cmake --build "$work/build" -j2 >"$work/build.log" 2>&1; then
    fail "an application without app_init linked"
  fi
  grep -q 'undefined reference to .app_init' "$work/build.log" || {
    cat "$work/build.log" >&2
    fail "the link error does not name app_init"
  }
  ;;

example)
  prefix=$1 work=$2 source=$3
  shift 3
  rm -rf "$work" && mkdir -p "$work"
  cp -r "$source" "$work/src"
  start=$(date +%s.%N)
  configure "$work/src" "$work/build" "$prefix" "$@"
  cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "build failed"; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" \
    'BEGIN { printf "configure + build of the example against the installed package: %.1f s\n", b - a }'
  (cd "$work/build" && ctest --output-on-failure)
  ;;

*) fail "unknown mode" ;;
esac
