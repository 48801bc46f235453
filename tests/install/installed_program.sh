#!/usr/bin/env bash
# Installs Quillmere into a temporary prefix, as `cmake --install` does for a
# user, and uses it from there. The commands in bin/ are relative links into
# lib/quillmere/, where each must find the reader and the type-name file
# beside its real executable; nothing but the program, its tools and the
# desktop's files is installed, and the desktop's files pass their
# validators.
#   installed_program.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
fixtures="${QUILLMERE_FIXTURES:-$source/../shared/fixtures}"
id=io.github.quillmere.Quillmere

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
mkdir "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

# Exactly these files: no test program, benchmark, fuzz driver or helper.
expected="$work/expected"
cat >"$expected" <<FILES
./bin/quillmere
./bin/quillmere-catalog-dump
./bin/quillmere-make-workbook
./lib/quillmere/DataTypeEnum.xml
./lib/quillmere/quillmere
./lib/quillmere/quillmere-catalog-dump
./lib/quillmere/quillmere-make-workbook
./lib/quillmere/quillmere-reader
./share/applications/$id.desktop
./share/doc/quillmere/changelog.gz
./share/doc/quillmere/copyright
FILES
for size in 16 22 24 32 48 64 128 256; do
  echo "./share/icons/hicolor/${size}x${size}/apps/$id.png" >>"$expected"
done
cat >>"$expected" <<FILES
./share/icons/hicolor/scalable/apps/$id.svg
./share/man/man1/quillmere-catalog-dump.1.gz
./share/man/man1/quillmere-make-workbook.1.gz
./share/man/man1/quillmere.1.gz
./share/metainfo/$id.metainfo.xml
./share/mime/packages/$id.xml
FILES
(cd "$prefix" && find . \( -type f -o -type l \) | LC_ALL=C sort) >"$work/installed"
LC_ALL=C sort -o "$expected" "$expected"
diff -u "$expected" "$work/installed" || fail "the installed files differ from the list above"

for command in quillmere quillmere-catalog-dump quillmere-make-workbook; do
  [ -L "$prefix/bin/$command" ] || fail "bin/$command is not a link"
  target="$(readlink "$prefix/bin/$command")"
  [ "$target" = "../lib/quillmere/$command" ] || fail "bin/$command leads to $target"
  [ -x "$prefix/bin/$command" ] || fail "bin/$command does not lead to an executable"
done
[ -f "$prefix/lib/quillmere/DataTypeEnum.xml" ] && [ ! -L "$prefix/lib/quillmere/DataTypeEnum.xml" ] ||
  fail "DataTypeEnum.xml is not an ordinary file"

# Every icon at the size its folder names.
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  actual="$(/usr/bin/python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read(24)
assert d[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png")"
  [ "$actual" = "${size}x${size}" ] || fail "$png is $actual"
done
for page in "$prefix"/share/man/man1/*.1.gz; do
  gzip -t "$page" || fail "$page is not gzipped"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# The desktop's view of the prefix, once its caches are built as a package's
# triggers build them: every Access file has the type the desktop entry
# names (.mdb from the system's own database, the newer ones from ours), and
# the program is the application for it.
update-mime-database "$prefix/share/mime"
update-desktop-database "$prefix/share/applications"
desktop=(env -u XDG_CURRENT_DESKTOP PATH="$prefix/bin:$PATH" XDG_DATA_DIRS="$prefix/share:/usr/share"
         XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config")
named="$(sed -n 's/^MimeType=//p' "$prefix/share/applications/$id.desktop")"
for name in a.mdb b.accdb c.accde D.ACCDB; do
  printf 'not empty' >"$work/$name"
  type="$("${desktop[@]}" gio info -a standard::content-type "$work/$name" | sed -n 's/^ *standard::content-type: //p')"
  [[ ";$named" == *";$type;"* ]] || fail "$name has the type '$type', which the desktop entry does not name"
  handlers="$("${desktop[@]}" gio mime "$type")"
  [[ "${handlers%%$'\n'*}" == *": $id.desktop" ]] || fail "the program is not the default for $name: $handlers"
done
echo "the desktop opens .mdb, .accdb and .accde files with $id.desktop"

# The commands through their links, on a real database.
nwind="$fixtures/nwind.mdb"
if [ ! -f "$nwind" ]; then
  echo "no fixture $nwind: the installed commands are not run on a database"
  bash "$source/tests/ui/window_title.sh" "$prefix/bin/quillmere"
  exit 0
fi
"$prefix/bin/quillmere-catalog-dump" --tables-only "$nwind" >"$work/catalog.json" ||
  fail "bin/quillmere-catalog-dump exited $?"
grep -qF '"name":"Customers"' "$work/catalog.json" || fail "no table Customers in the catalog: $(head -c 300 "$work/catalog.json")"
"$prefix/bin/quillmere-make-workbook" "$nwind" "$work/nwind.xlsx" ||
  fail "bin/quillmere-make-workbook exited $?"
/usr/bin/python3 "$source/tests/generator/read_workbook.py" "$work/nwind.xlsx" >"$work/nwind.json"
# A sheet per table, with the type names from the installed DataTypeEnum.xml.
grep -qF '"Customers"' "$work/nwind.json" || fail "no sheet Customers in the workbook"
grep -qF '"adVarWChar"' "$work/nwind.json" || fail "no type name adVarWChar in the workbook"
echo "the installed tools read $nwind and wrote its workbook"

bash "$source/tests/ui/window_title.sh" "$prefix/bin/quillmere" "$nwind"
