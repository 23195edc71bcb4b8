#!/usr/bin/env bash
# Fails when clang-format would change any of our C++ files, and names them.
# Apply the style with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
changed=()
while IFS= read -r -d '' file; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    changed+=("$file")
  fi
done < <(git ls-files -z '*.cpp' '*.h')
if [ ${#changed[@]} -gt 0 ]; then
  echo "clang-format would change these files:" >&2
  printf '  %s\n' "${changed[@]}" >&2
  exit 1
fi
