#!/usr/bin/env bash
# tools/bench-hotspot.sh BUILD: the start of a real application on HotSpot
# (the Temurin 17 image of tools/hotspot.sh), from the process's start to
# the end of main, three ways alternated in one run: the image's javaw.exe,
# the launcher without class-data sharing, and the launcher with its
# archive (a later start); then what a first start pays to write the
# archive. Prints two rows of bench.sh's table and writes BUILD/bench/hotspot.json.
set -euo pipefail
B=${1:-build}
src=$(pwd)
work=$(cd "$B" && pwd)/bench/hotspot
ROUNDS=${ROUNDS:-7}
tools/hotspot.sh "$B" >/dev/null
if [ -f "$B/hotspot/skipped" ]; then
  echo "(HotSpot rows skipped: $(cat "$B/hotspot/skipped"))"
  exit 0
fi
rm -rf "$work" && mkdir -p "$work/src" "$work/classes"

# An application of 1,500 classes, each with a little state and code to
# run, that also builds a form of Swing components, as a desktop
# application's start does; main writes the time at its end.
python3 - "$work/src" <<'EOF'
import sys
out = sys.argv[1]
n = 1500
for i in range(n):
    with open(f"{out}/C{i}.java", "w") as f:
        f.write(f"""package gen;
public class C{i} {{
    static final java.util.List<String> NAMES = new java.util.ArrayList<>();
    private int total;
    static {{ NAMES.add("c{i}"); }}
    public int add(int x) {{ total += x * {i % 7 + 1}; return total; }}
    public String label() {{ return NAMES.get(0) + ":" + total; }}
    public static int run(int seed) {{ C{i} c = new C{i}(); c.add(seed); return c.label().length(); }}
}}
""")
with open(f"{out}/Main.java", "w") as f:
    calls = "\n".join(f"        sum += C{i}.run(sum);" for i in range(n))
    f.write(f"""package gen;
import javax.swing.*;
public class Main {{
    public static void main(String[] args) throws Exception {{
        int sum = 1;
{calls}
        JPanel form = new JPanel();
        form.add(new JLabel("Name")); form.add(new JTextField(20)); form.add(new JButton("Save"));
        form.add(new JScrollPane(new JTable(20, 5))); form.add(new JComboBox<>(new String[] {{"a", "b"}}));
        form.doLayout();
        java.io.FileOutputStream end = new java.io.FileOutputStream(args[0]);
        end.write((System.currentTimeMillis() + " " + sum + "\\n").getBytes("UTF-8"));
        end.close();
    }}
}}
""")
EOF
javac --release 8 -encoding UTF-8 -d "$work/classes" "$work"/src/*.java
jar --create --file "$work/gen.jar" -C "$work/classes" .

# The launcher as a user starts it, one with sharing and one without, from
# one project; every start of the three through the harness with a standard
# user's token, since Wine runs every program elevated and an elevated
# start maps no archive of the user's folder.
home=$(readlink -f "$B/hotspot/jre17")
for sharing in true false; do
  printf 'arch = "x64"\nname = "Gen Bench"\nmain_class = "gen.Main"\nclass_path = ["A1gen.jar"]\nclass_data_sharing = %s\n' \
    "$sharing" > "$work/gen-$sharing.toml"
  dist/tarvo-build "$work/gen-$sharing.toml" -o "$work/gen-$sharing.exe" >/dev/null
done

winpath() { echo "Z:${1//\//\\}"; }
export WORK="$work" JAVA_HOME_WIN="$(winpath "$home")" ROUNDS WATCH="$(winpath "$(cd "$B" && pwd)/win64/tarvo-watch.exe")"
tests/rig/with-display.sh bash -c '
  set -eu
  cd "$WORK"
  export JAVA_HOME="$JAVA_HOME_WIN"
  # Wine sets the profile folders itself: the archives are in the prefix.
  cds() { rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/"Gen Bench"/cds; }
  cds
  now() { date +%s%3N; }
  # Milliseconds from the start to the end of main, as main wrote it.
  # A start that did not reach the end of main counts in no round.
  timed() {
    rm -f end.txt; local t=$(now)
    "$@" end.txt >/dev/null 2>&1 </dev/null || true
    [ -s end.txt ] && echo $(( $(cut -d" " -f1 end.txt) - t ))
    return 0
  }
  java="/usr/lib/wine/wine64 $WATCH --token limited --timeout 120000 --"
  # The first start in a new prefix, and an archive to start from.
  $java "$JAVA_HOME\\bin\\javaw.exe" -cp gen.jar gen.Main end.txt >/dev/null 2>&1 || true
  $java gen-true.exe end.txt >/dev/null 2>&1 || true
  plain="" bare="" shared="" first="" later=""
  for round in $(seq "$ROUNDS"); do
    plain="$plain $(timed $java "$JAVA_HOME\\bin\\javaw.exe" -cp gen.jar gen.Main)"
    bare="$bare $(timed $java gen-false.exe)"
    shared="$shared $(timed $java gen-true.exe)"
  done
  # A first start writes the archive as the VM ends: the whole process.
  for round in $(seq "$ROUNDS"); do
    cds
    t=$(now); $java gen-true.exe end.txt >/dev/null 2>&1 || true; first="$first $(( $(now) - t ))"
    t=$(now); $java gen-true.exe end.txt >/dev/null 2>&1 || true; later="$later $(( $(now) - t ))"
  done
  printf "%s\n" "$plain" "$bare" "$shared" "$first" "$later" > rounds.txt
'
median() { tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mapfile -t rows < "$work/rounds.txt"
p=$(echo ${rows[0]} | median) n=$(echo ${rows[1]} | median) s=$(echo ${rows[2]} | median)
f=$(echo ${rows[3]} | median) l=$(echo ${rows[4]} | median)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf "| %-34s | %s |\n" hotspot_start "javaw.exe $p ms; launcher $n ms ($(ratio "$n" "$p")×); with its archive $s ms ($(ratio "$s" "$p")×)"
printf "| %-34s | %s |\n" hotspot_first_start "$f ms, writing the archive, against a later start's $l ms ($(ratio "$f" "$l")×)"
list() { echo "$1" | sed 's/^ *//; s/ \+/, /g'; }
cat > "$work/../hotspot.json" <<EOF
{"java_exe_ms": [$(list "${rows[0]}")], "launcher_ms": [$(list "${rows[1]}")], "with_archive_ms": [$(list "${rows[2]}")],
 "first_start_ms": [$(list "${rows[3]}")], "later_start_ms": [$(list "${rows[4]}")]}
EOF
