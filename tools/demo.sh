#!/usr/bin/env bash
# The main job, end to end: builds the plug-in and the command-line host, imports
# examples/demo.bvh into the stand-in scene, exports the skeleton back out and prints it.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
# shellcheck source=tools/deps.sh
source tools/deps.sh
bvhio_ensure_packages

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target bvhhost bvhio

host="$repo/build/default/bvhhost"
out_dir="$repo/build/default/demo"
mkdir -p "$out_dir"

echo "== registered translators"
"$host" translators
echo "== what the import makes of examples/demo.bvh"
"$host" import examples/demo.bvh
echo "== examples/demo.bvh imported and exported again ($out_dir/demo_out.bvh)"
"$host" convert examples/demo.bvh "$out_dir/demo_out.bvh"
cat "$out_dir/demo_out.bvh"
