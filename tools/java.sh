#!/usr/bin/env bash
# tools/java.sh BUILD [test]: dist/tarvo-app.jar, the application's side of
# the launcher, as Java 8 bytecode; with "test", its JUnit 5 tests too.
set -euo pipefail
B=$1
out="$B/java"
rm -rf "$out/classes" "$out/test-classes"
mkdir -p "$out/classes" "$out/test-classes" dist
javac -Xlint:all -Werror --release 8 -encoding UTF-8 -d "$out/classes" $(find java/tarvo-app/src -name '*.java')
jar --create --file dist/tarvo-app.jar --date=1980-02-01T00:00:00Z -C "$out/classes" .
echo "dist/tarvo-app.jar: $(stat -c %s dist/tarvo-app.jar) bytes"
# The applications that the tests run on real VMs: app.jar for Java 8, and
# one class compiled for Java 17 alone in newer/.
rm -rf "$B/realvm" && mkdir -p "$B/realvm/classes" "$B/realvm/newer"
javac -Xlint:all -Werror --release 8 -encoding UTF-8 -cp dist/tarvo-app.jar -d "$B/realvm/classes" tests/realvm/*.java
jar --create --file "$B/realvm/app.jar" --date=1980-02-01T00:00:00Z -C "$B/realvm/classes" .
javac --release 17 -encoding UTF-8 -d "$B/realvm/newer" tests/realvm/newer/Newer.java
jar --create --file "$B/realvm/newer.jar" --date=1980-02-01T00:00:00Z -C "$B/realvm/newer" .
# For a Java 17: the same class, marked as compiled for Java 21 (major 65),
# which this machine's javac cannot make.
mkdir -p "$B/realvm/newer21" && cp "$B/realvm/newer/Newer.class" "$B/realvm/newer21/"
printf '\000\101' | dd of="$B/realvm/newer21/Newer.class" bs=1 seek=6 conv=notrunc status=none
jar --create --file "$B/realvm/newer21.jar" --date=1980-02-01T00:00:00Z -C "$B/realvm/newer21" .
[ "${2:-}" = test ] || exit 0

junit=/usr/share/java
cp="$out/classes:$junit/junit-jupiter-api.jar:$junit/apiguardian-api.jar:$junit/opentest4j.jar:$junit/junit-platform-commons.jar"
javac -encoding UTF-8 -d "$out/test-classes" -cp "$cp" $(find tests/java -name '*.java')
java -jar "$junit/junit-platform-console-standalone.jar" --disable-banner --details=summary \
  --class-path "$out/classes:$out/test-classes" --select-package brannoc.tarvo
