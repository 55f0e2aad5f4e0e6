#!/usr/bin/env bash
# Writes the seed corpus of one fuzz target into a folder, from the bundled examples and the
# small cases the tests use:  fuzz/seeds.sh TARGET FOLDER
set -euo pipefail
target=$1
out=$2
examples="$(dirname "$0")/../examples"
mkdir -p "$out"

# One instance folder as the evaluator target reads it: the definition, then each data file
# after a line "==> name". extra lines are added to the definition.
folder_input() {
    local dir=$1 extra=${2:-}
    cat "$dir/fitness.txt"
    printf '%b' "$extra"
    for file in "$dir"/*.txt; do
        [ "$(basename "$file")" != fitness.txt ] || continue
        printf '\n==> %s\n' "$(basename "$file")"
        cat "$file"
    done
}

case $target in
matrix_reader_fuzz)
    for file in "$examples"/*/*.txt; do
        [ "$(basename "$file")" != fitness.txt ] && cp "$file" "$out/$(basename "$(dirname "$file")")-$(basename "$file")"
    done
    printf '2 3\n1 2 3 4 5\n' >"$out/short"
    printf '1 4\n0x1p3 +5 -nan 1e999\n' >"$out/awkward"
    printf '2000000000 2000000000\n1\n' >"$out/huge-header"
    ;;
definition_reader_fuzz)
    for file in "$examples"/*/fitness.txt "$examples"/*/*/fitness.txt; do
        cp "$file" "$out/$(dirname "${file#"$examples"/}" | tr / -)"
    done
    printf 'jobshop 1\ntaillard 1\nsets 3\nmax_jobs 20\nmax_machines 20\nduration p\ndeadline d\nSP s\nR. 1 1 1\nT. 0 0 0\njobs 15 15 20\nmachines 15 15 15\n' \
        >"$out/taillard"
    printf 'unrelated 1\nsets 2\nmax_jobs 4294967296\njobs 2 2\nmachines 1 1\n' >"$out/hostile"
    ;;
evaluator_run_fuzz)
    for dir in "$examples"/{single,uniform,unrelated,jobshop}; do
        folder_input "$dir" >"$out/$(basename "$dir")"
    done
    folder_input "$examples/single" 'setup 0.5\nready rokovi.txt\n' >"$out/single-setups"
    folder_input "$examples/single" 'constraints c.txt\n' >"$out/single-constraints"
    printf '\n==> c.txt\n3 5\n0 1 0 0 0\n0 0 1 0 0\n0 0 0 0 0\n==> raspored_Sidney.txt\n3 5\n1 2 3 4 5\n1 2 3 4 0\n1 2 3 4 5\n' \
        >>"$out/single-constraints"
    folder_input "$examples/jobshop" 'setup 0.5\nmax_length 100\nready sums.txt\n' >"$out/jobshop-setups"
    folder_input "$examples/unrelated" 'setup 1\n' >"$out/unrelated-setups"
    ;;
rule_reader_fuzz)
    # The first byte picks the environment: 0 single machine ... 3 job shop.
    n=0
    for rule in 'w / (p + wait)' '-d' 'w / (p + wait) * exp(-pos(d - (p + wait) - t) / (2 * K))' \
        'max(p, min(d - t, 0.125)) + pos(exp(-K / pmean)) - --succ' 'p - (d - t) / (w * (r + s)) + v * L - SP / smean' \
        '(-3) * slack' '1e999' 'max(p,' ; do
        printf '\0%s' "$rule" >"$out/single-$n"
        n=$((n + 1))
    done
    printf '\3%s' 'w * pos(1 - pos(d - 4 * rem - t) / (0.5 * rem)) / (p + wait) + ops * pm / twkr' >"$out/jobshop"
    printf '\0%s' '<Genotype type="gptree" size="5" depth="3"><Primit name="/"><Primit name="w"/><Primit name="+"><Primit name="p"/><Primit name="wait"/></Primit></Primit></Genotype>' \
        >"$out/xml"
    printf '\0%s' '<?xml version="1.0" encoding="ISO-8859-1"?>
<Beagle>
<Seeds>
<Individual>
<Genotype type="gptree" size="2" depth="2"><Primit name="neg"><Primit name="const" value="0.5"/></Primit></Genotype>
</Individual>
</Seeds>
</Beagle>' >"$out/seed"
    ;;
*)
    echo "unknown fuzz target: $target" >&2
    exit 1
    ;;
esac
