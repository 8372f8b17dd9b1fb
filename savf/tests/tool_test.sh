#!/bin/bash
# savfimg's commands as a user runs them: create (with and without --size), list, validate, and
# the refusals of a damaged image and of a manifest naming a missing file.
set -eu
savfimg=$1 source=$2 out=$3
rm -rf "$out" && mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$savfimg" create "$source/savf/demo/product.manifest" "$out/product.savf" >/dev/null
"$savfimg" validate "$out/product.savf" | grep -q "valid, 13 objects saved from SAMPLIB" || fail validate
"$savfimg" list "$out/product.savf" > "$out/list.txt"
grep -q '^Library:      SAMPLIB$' "$out/list.txt" || fail "list library"
grep -Eq '^ORDENTR +\*PGM +RPGLE +196608$' "$out/list.txt" || fail "list object"

# --size pads a product to a given size, rounded up to whole records.
"$savfimg" create "$source/savf/demo/product.manifest" "$out/big.savf" --size 3M >/dev/null
size=$(stat -c %s "$out/big.savf")
[ "$size" -eq $(( (3145728 + 527) / 528 * 528 )) ] || fail "padded size $size"
"$savfimg" validate "$out/big.savf" >/dev/null || fail "padded image invalid"

# An object's content can come from a file beside the manifest.
printf 'hello' > "$out/data.bin"
printf 'command SAVOBJ\nlibrary MYLIB\nrelease V5R4M0\nobject DATA *FILE PF file=data.bin\n' > "$out/file.manifest"
"$savfimg" create "$out/file.manifest" "$out/file.savf" >/dev/null
"$savfimg" list "$out/file.savf" | grep -Eq '^DATA +\*FILE +PF +5$' || fail "file content size"

# A damaged image is refused, with a reason.
cp "$out/product.savf" "$out/damaged.savf"
printf 'X' | dd of="$out/damaged.savf" bs=1 seek=5000 conv=notrunc status=none
if "$savfimg" validate "$out/damaged.savf" 2>"$out/err.txt"; then fail "damaged image accepted"; fi
grep -q checksum "$out/err.txt" || fail "damage reason"

# A missing content file leaves no output behind.
printf 'command SAVOBJ\nlibrary MYLIB\nrelease V5R4M0\nobject DATA *FILE PF file=nothere\n' > "$out/bad.manifest"
if "$savfimg" create "$out/bad.manifest" "$out/bad.savf" 2>/dev/null; then fail "missing file accepted"; fi
[ ! -e "$out/bad.savf" ] || fail "partial output left"
ls -a "$out" | grep -q partial && fail "temporary file left"
echo ok
