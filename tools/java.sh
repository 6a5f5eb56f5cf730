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
[ "${2:-}" = test ] || exit 0

junit=/usr/share/java
cp="$out/classes:$junit/junit-jupiter-api.jar:$junit/apiguardian-api.jar:$junit/opentest4j.jar:$junit/junit-platform-commons.jar"
javac -encoding UTF-8 -d "$out/test-classes" -cp "$cp" $(find tests/java -name '*.java')
java -jar "$junit/junit-platform-console-standalone.jar" --disable-banner --details=summary \
  --class-path "$out/classes:$out/test-classes" --select-package brannoc.tarvo
