#!/usr/bin/env bash
# Runs a tool and its independent oracle on the same meshes and compares the
# record sections (and, in 2D, the allergy notes) byte for byte.
# A mesh that cannot be generated, or an oracle that fails, fails the
# comparison.
# Usage: compare.sh 3d|2d TOOL ORACLE GENMESH EXAMPLE_DIR ORACLE_DIR
set -u
dim=$1 tool=$2 oracle=$3 genmesh=$4 examples=$5 here=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

meshes=()
if [ "$dim" = 3d ]; then
  kinds="sphere torus bumpy terrain coil"
  meshes+=("$examples/tetrahedron.obj" "$here/corner_forms.obj")
else
  kinds="disc gear plate jagged spiral"
  meshes+=("$examples/hook.obj")
fi
for kind in $kinds; do
  for size in 200 800; do
    for seed in 1 2; do
      if "$genmesh" "$kind" "$size" "$seed" "$work/$kind-$size-$seed.obj" >/dev/null; then
        meshes+=("$work/$kind-$size-$seed.obj")
      else
        echo "NOT GENERATED: $kind $size $seed"
        fails=$((fails + 1))
      fi
    done
  done
done

for mesh in "${meshes[@]}"; do
  if ! "$oracle" "$mesh" >"$work/oracle"; then
    echo "ORACLE FAILED: $(basename "$mesh")"
    fails=$((fails + 1))
    continue
  fi
  grep -v '^WARNING' "$work/oracle" >"$work/expected"
  "$tool" PX "$mesh" "$work/out" >"$work/console"
  { grep '^NOTE' "$work/console"; sed -n '/^\*start$/,/^\*end$/p' "$work/out" | tail -n +2; } >"$work/actual"
  if ! cmp -s "$work/expected" "$work/actual"; then
    echo "DIFFERENT: $(basename "$mesh")"
    diff "$work/expected" "$work/actual" | head -n 10
    fails=$((fails + 1))
  fi
done
echo "${#meshes[@]} meshes compared, $fails different"
[ "$fails" -eq 0 ]
