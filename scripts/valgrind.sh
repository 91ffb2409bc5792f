#!/bin/bash
# The command-line converter under valgrind's memcheck on a few spreadsheets of
# different kinds (OpenDocument, OpenOffice 1.x, a large table, formulas,
# notes, and files that must be refused: malformed, an entity bomb, encrypted). Any memcheck error fails the run.
#
#   scripts/valgrind.sh BUILD_FOLDER
#
# BUILD_FOLDER holds an ordinary (not sanitized) build of brindlemoor-convert.
# The files come from the shared corpus beside the project when it is there,
# else from the bundled samples.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
converter="${1:?build folder}/cli/brindlemoor-convert"
corpus="$root/../shared/corpus"
[ -x "$converter" ] || { echo "no converter at $converter"; exit 2; }

files=()
if [ -d "$corpus" ]; then
    for relative in \
        jdum__odfdo/recipes/data/big_table.ods \
        SheetJS__test_files/formula_stress_test.ods \
        SheetJS__test_files/comments_stress_test.ods \
        eea__odfpy/samples/spreadsheet-with-macro.ods \
        blutsvente__MIX/test/results/reg_shell.sxc \
        blutsvente__MIX/test/results/padio2.sxc \
        openspout__openspout/tests/resources/ods/attack_billion_laughs.ods \
        aspose-cells__Aspose.Cells-for-.NET/Examples/Data/Files/Utility/EncryptingODSFiles/encryptedBook1.out.ods; do
        [ -f "$corpus/$relative" ] && files+=("$corpus/$relative")
    done
fi
[ ${#files[@]} -eq 0 ] && files=("$root"/Samples/*.ods)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
for file in "${files[@]}"; do
    # The converter's own exit status (1 for a refused file) is not the
    # question here; memcheck's is.
    valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
        --show-leak-kinds=definite --track-origins=yes --suppressions="$root/scripts/valgrind.supp" \
        --log-file="$out/valgrind.log" "$converter" -o "$out" --quiet "$file" >/dev/null 2>&1
    status=$?
    summary=$(grep -E "ERROR SUMMARY" "$out/valgrind.log" | sed 's/^==[0-9]*== //')
    echo "$(basename "$file"): exit $status; $summary"
    if [ "$status" -eq 99 ] || [ "$status" -gt 128 ]; then
        failed=1
        cat "$out/valgrind.log"
    fi
    rm -f "$out"/*.xls
done
exit $failed
