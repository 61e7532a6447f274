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
  meshes+=("$examples/tetrahedron.obj" "$here/corner_forms.obj" "$here/tangled_edges.obj")
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

# Split-heavy 3D meshes: shrunk until every edge is flat within the snap, a
# smooth surface starts as one patch that splits again and again.
if [ "$dim" = 3d ]; then
  for kind in torus bumpy; do
    if [ -f "$work/$kind-800-1.obj" ]; then
      awk '$1 == "v" { printf "v %.9g %.9g %.9g\n", $2 * 0.0001, $3 * 0.0001, $4 * 0.0001; next } { print }' \
        "$work/$kind-800-1.obj" >"$work/$kind-fine.obj"
      meshes+=("$work/$kind-fine.obj")
    fi
  done
  # A torus of 36 x 10 quads, 0.0004 across its ring: dozens of splits,
  # most of them moving most of a patch.
  awk 'BEGIN {
    pi = 3.141592653589793; n = 36; m = 10; s = 0.0004
    for (i = 0; i < n; i++) for (j = 0; j < m; j++) {
      u = 2 * pi * i / n; v = 2 * pi * j / m; r = 1 + 0.4 * cos(v)
      printf "v %.9g %.9g %.9g\n", s * r * cos(u), s * r * sin(u), s * 0.4 * sin(v)
    }
    for (i = 0; i < n; i++) for (j = 0; j < m; j++) {
      a = i * m + j + 1; b = ((i + 1) % n) * m + j + 1
      c = i * m + (j + 1) % m + 1; d = ((i + 1) % n) * m + (j + 1) % m + 1
      printf "f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c
    }
  }' >"$work/fine-torus.obj"
  meshes+=("$work/fine-torus.obj")
fi

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
