#!/usr/bin/env bash
# The benchmark in one command:  bench/run.sh
#
# Builds lintop as the README builds it for users (the release preset) and
# the floor program in the same build, with the same flags, generates the data sets (cached in
# build/bench-data, never committed), requires lintop and the floor to give
# the same bytes on each, times lintop, the floor, `sed -n 1,Np` and
# `awk 'NR<=N'` with hyperfine to a file, a pipe and /dev/null, and the
# start-up (the first 20 lines of the largest file), prints one table, and
# runs the micro-benchmarks.
#   BENCH_MIB=16    size of each data set in MiB (default 256; the one-line set is at most 10 MiB)
#   BENCH_ROUNDS=7  rounds: each runs every command of a group in turn, so that a change in the
#                   machine's load falls on all of them alike; the table gives medians over rounds
#   BENCH_MICRO=0   no micro-benchmarks
# It installs nothing: what it needs and lacks, it names, with the command
# that installs it, and stops.
set -euo pipefail
cd "$(dirname "$0")/.."

mib=${BENCH_MIB:-256}
rounds=${BENCH_ROUNDS:-7}
micro=${BENCH_MICRO:-1}
count=2000000000     # more lines than any data set has: every line is copied
startup_count=20
startup_runs=101     # a start-up takes a millisecond or so: 101 of them in each round, and for the peak
data=$PWD/build/bench-data/$mib
results=$PWD/build/bench-results/$mib
lintop=$PWD/build/release/lintop
floor=$PWD/build/release/bench/lintop_floor
make_data=$PWD/build/release/bench/lintop_make_data
datasets=(lf80 crlf80 short long oneline binary)

# Each need as a Debian package, and how to tell that it is there:
# tools/install-deps.sh bench installs the same packages.
check_needs() {
    local missing=()
    command -v hyperfine >/dev/null || missing+=(hyperfine)
    [ -x /usr/bin/time ] || missing+=(time)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v ninja >/dev/null || missing+=(ninja-build)
    command -v g++ >/dev/null || missing+=(g++)
    [ "$micro" = 0 ] || [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
    if [ ${#missing[@]} -gt 0 ]; then
        echo "bench: missing: ${missing[*]} (Debian packages); tools/install-deps.sh bench installs them" >&2
        exit 1
    fi
}

build() {
    cmake --preset release >/dev/null
    cmake --build --preset release -j 2 --target lintop lintop_floor lintop_make_data >/dev/null
    if [ "$micro" != 0 ]; then
        cmake --preset bench >/dev/null
        cmake --build --preset bench -j 2 --target lintop_micro >/dev/null
    fi
}

# One size is kept: the data sets of another size take GiBs.
generate() {
    local dir name bytes
    for dir in build/bench-data/*; do
        [ -d "$dir" ] && [ "$dir" != "build/bench-data/$mib" ] && rm -rf "$dir"
    done
    mkdir -p "$data"
    for name in "${datasets[@]}"; do
        bytes=$((mib << 20))
        [ "$name" = oneline ] && [ "$mib" -gt 10 ] && bytes=$((10 << 20))
        if [ ! -f "$data/$name" ] || [ "$(stat -c %s "$data/$name")" -ne "$bytes" ]; then
            echo "generating $name ($bytes bytes)"
            "$make_data" "$name" "$bytes" "$data/$name"
        fi
    done
}

check_equal() {
    echo "checking that lintop and the floor give the same bytes on every data set"
    local files=("${datasets[@]/#/$data/}")
    if ! bench/compare.sh bytes "$lintop" "$floor" "$count" "${files[@]}" ||
        ! bench/compare.sh bytes "$lintop" "$floor" "$startup_count" "$data/lf80"; then
        echo "FAILED: the floor's output is not lintop's; no timing is meaningful" >&2
        exit 1
    fi
}

# time_group GROUP TARGET RUNS PEAK_RUNS NAME COMMAND [NAME COMMAND]...
# PEAK_RUNS runs of each command under GNU time first (a warm-up that also
# gives the median peak memory), then the rounds under hyperfine, RUNS runs of
# each command in each.
time_group() {
    local group=$1 target=$2 runs=$3 peak_runs=$4
    shift 4
    local names=() commands=() hyperfine_args=() output
    while [ $# -gt 0 ]; do
        names+=("$1")
        commands+=("$2")
        hyperfine_args+=(-n "$1" "$2")
        shift 2
    done
    case $target in
        file) output=$results/out ;;
        pipe) output=pipe ;;
        device) output=null ;;
    esac
    echo "timing: $group ($target)"
    local i run round
    for i in "${!commands[@]}"; do
        : >"$results/peak"
        for run in $(seq "$peak_runs"); do
            local timed="/usr/bin/time -f %M -a -o $(printf %q "$results/peak") ${commands[$i]}"
            case $target in
                file) eval "$timed" >"$results/out" ;;
                pipe) eval "$timed" | cat >/dev/null ;;
                device) eval "$timed" >/dev/null ;;
            esac
        done
        echo "$group $target ${names[$i]} $(sort -n "$results/peak" | sed -n "$(((peak_runs + 1) / 2))p")" >>"$results/peaks"
    done
    for round in $(seq "$rounds"); do
        hyperfine -N --style none --runs "$runs" --output="$output" \
            --export-csv "$results/round.csv" --export-json "$results/$group-$target-$round.json" \
            "${hyperfine_args[@]}" >/dev/null 2>"$results/hyperfine.log" || { cat "$results/hyperfine.log" >&2; exit 1; }
        # command,mean,stddev,median,user,system,min,max
        tail -n +2 "$results/round.csv" | awk -F, -v g="$group" -v t="$target" '{ print g, t, $1, $4, $5, $6 }' >>"$results/times"
    done
}

# Linux splits a run's CPU time into user and system time by sampling at
# each clock tick (4 ms at 250 Hz): a user time of a tenth of a second is a
# count of some 25 samples. The runs under a second get five runs a round.
runs_per_round() {
    if [ "$1" = short ]; then echo 1; else echo 5; fi
}

time_all() {
    rm -rf "$results"
    mkdir -p "$results"
    local name file target awk_entry
    for name in "${datasets[@]}"; do
        file=$(printf %q "$data/$name")
        # mawk grows a record by small steps: on the binary set, one record
        # of 256 MiB, a single run takes many minutes. awk is left out there.
        awk_entry=(awk "awk 'NR<=$count' $file")
        [ "$name" = binary ] && awk_entry=()
        for target in file pipe device; do
            time_group "$name" "$target" "$(runs_per_round "$name")" 1 \
                lintop "$lintop -$count $file" \
                floor "$floor -$count $file" \
                sed "sed -n 1,${count}p $file" \
                "${awk_entry[@]}"
        done
    done
    # sed and awk read the whole file whatever the count: they are left out here.
    file=$(printf %q "$data/lf80")
    time_group "start-up" file "$startup_runs" "$startup_runs" \
        lintop "$lintop -$startup_count $file" \
        floor "$floor -$startup_count $file"
}

print_table() {
    echo
    echo "lintop against the floor program: $mib MiB data sets (one line: $((mib > 10 ? 10 : mib)) MiB), medians of $rounds rounds"
    echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(uname -sr); awk is $(basename "$(readlink -f "$(command -v awk)")")"
    echo "user, sys, wall in seconds; peak (resident) memory in KiB; ratios and difference against the floor of the same data set and target"
    echo "cpu is user + sys, which the kernel measures exactly; it splits them by sampling at each clock tick"
    awk '
        function median(list,   values, n, i, j, swap) {
            n = split(list, values, " ")
            for (i = 2; i <= n; ++i)
                for (j = i; j > 1 && values[j - 1] + 0 > values[j] + 0; --j) {
                    swap = values[j]; values[j] = values[j - 1]; values[j - 1] = swap
                }
            return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
        }
        FILENAME ~ /peaks$/ { peak[$1 " " $2 " " $3] = $4; next }
        {
            key = $1 " " $2 " " $3
            if (!(key in wall)) order[++rows] = key
            wall[key] = wall[key] " " $4; user[key] = user[key] " " $5; sys[key] = sys[key] " " $6
            cpu[key] = cpu[key] " " ($5 + $6)
        }
        END {
            printf "%-10s %-7s %-7s %8s %8s %8s %9s %10s %9s %10s %10s\n", "data set", "target", "command", "user", "sys", "wall", "peak", "user/floor", "cpu/floor", "wall/floor", "peak-floor"
            for (r = 1; r <= rows; ++r) {
                key = order[r]; split(key, part, " ")
                floor_key = part[1] " " part[2] " floor"
                u = median(user[key]); w = median(wall[key]); c = median(cpu[key])
                fu = median(user[floor_key]); fw = median(wall[floor_key]); fc = median(cpu[floor_key])
                printf "%-10s %-7s %-7s %8.4f %8.4f %8.4f %9d %10s %9s %10s %10d\n", part[1], part[2], part[3], u, median(sys[key]), w, peak[key],
                    (fu > 0 ? sprintf("%.2f", u / fu) : "-"), (fc > 0 ? sprintf("%.2f", c / fc) : "-"), sprintf("%.2f", w / fw), peak[key] - peak[floor_key]
            }
        }' "$results/peaks" "$results/times"
}

check_needs
build
generate
check_equal
time_all
print_table | tee "$results/table.txt"
if [ "$micro" != 0 ]; then
    echo
    echo "micro-benchmarks (stub platform: reads copy from memory, writes are thrown away)"
    build/bench/bench/lintop_micro --benchmark_min_time=0.5
fi
