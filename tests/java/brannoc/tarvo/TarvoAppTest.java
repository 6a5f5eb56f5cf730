package brannoc.tarvo;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class TarvoAppTest {
    @TempDir Path dir;

    @AfterEach
    void forgetCommFile() {
        System.clearProperty(TarvoApp.COMM_FILE_PROPERTY);
    }

    private Path commFile() {
        Path file = dir.resolve("tvo1.tmp");
        System.setProperty(TarvoApp.COMM_FILE_PROPERTY, file.toString());
        return file;
    }

    private static byte[] utf8(String s) {
        return s.getBytes(StandardCharsets.UTF_8);
    }

    @Test
    void writesExactRecordsInUtf8WithRecordEndsAndZerosReplaced() throws Exception {
        Path file = commFile();
        TarvoApp.status("Loading");
        TarvoApp.status("a|b\0c");
        TarvoApp.status("");
        TarvoApp.status("\u041f\u0440\u0438\u043c\u0435\u0440 \uD83D\uDE00");
        TarvoApp.ready();
        assertArrayEquals(utf8("MLoading|Ma\u00A6b c|M|M\u041f\u0440\u0438\u043c\u0435\u0440 \uD83D\uDE00|Q|"),
                Files.readAllBytes(file));
    }

    @Test
    void cutsALongStatusBetweenCharactersAtTheLauncherLimit() throws Exception {
        Path file = commFile();
        char[] many = new char[9000];
        Arrays.fill(many, '\u00e9');  // two bytes each
        TarvoApp.status(new String(many));
        byte[] got = Files.readAllBytes(file);
        assertEquals(1 + 8190 + 1, got.length);
        assertEquals('M', got[0]);
        assertEquals('|', got[got.length - 1]);
        assertEquals(4095, new String(got, 1, 8190, StandardCharsets.UTF_8).length());
    }

    @Test
    void doesNothingAndNeverThrowsOutsideTheLauncher() {
        TarvoApp.status("alone");
        TarvoApp.ready();
        System.setProperty(TarvoApp.COMM_FILE_PROPERTY, dir.resolve("gone").resolve("tvo2.tmp").toString());
        TarvoApp.status("launcher gone");
        TarvoApp.ready();
        assertFalse(Files.exists(dir.resolve("gone")));
    }

    @Test
    void recordsOfManyThreadsNeverInterleave() throws Exception {
        Path file = commFile();
        int threads = 8, each = 400;
        CountDownLatch start = new CountDownLatch(1);
        List<Thread> workers = new ArrayList<>();
        for (int t = 0; t < threads; t++) {
            final int id = t;
            Thread w = new Thread(() -> {
                try {
                    start.await();
                } catch (InterruptedException e) {
                    return;
                }
                for (int i = 0; i < each; i++) TarvoApp.status("thread " + id + " record " + i + " \u00fc");
            });
            workers.add(w);
            w.start();
        }
        start.countDown();
        for (Thread w : workers) w.join();

        String all = new String(Files.readAllBytes(file), StandardCharsets.UTF_8);
        assertEquals('|', all.charAt(all.length() - 1));
        String[] records = all.substring(0, all.length() - 1).split("\\|", -1);
        assertEquals(threads * each, records.length);
        int[] next = new int[threads];
        for (String r : records) {
            String[] words = r.split(" ");
            int id = Integer.parseInt(words[1]);
            assertEquals("Mthread " + id + " record " + next[id] + " \u00fc", r);
            next[id]++;
        }
    }

    @AfterEach
    void forgetOpenHandler() {
        TarvoApp.setOpenHandler(null);
    }

    @Test
    void handOversBeforeAHandlerWaitThenReachItInOrderAndAFailingHandlerStopsNone() throws Exception {
        assertEquals(TarvoApp.NOT_SET, TarvoApp.handOver("C:\\one", new String[] {"a.txt"}, 50));
        assertEquals(TarvoApp.NOT_SET, TarvoApp.handOver("C:\\two", new String[] {"b c.txt", ""}, 0));
        List<String> seen = new ArrayList<>();
        CountDownLatch both = new CountDownLatch(2);
        TarvoApp.setOpenHandler((folder, args) -> {
            seen.add(folder + " " + Arrays.toString(args) + " " + Thread.currentThread().isDaemon());
            both.countDown();
            throw new IllegalStateException("the application's own fault");
        });
        both.await();
        assertEquals(Arrays.asList("C:\\one [a.txt] true", "C:\\two [b c.txt, ] true"), seen);
    }

    @Test
    void aHandOverWaitsForAHandlerSetMeanwhileAndIsDeliveredOnTheLaunchersThread() throws Exception {
        List<String> seen = new ArrayList<>();
        Thread setter = new Thread(() -> {
            try {
                Thread.sleep(100);
            } catch (InterruptedException e) {
                return;
            }
            TarvoApp.setOpenHandler((folder, args) -> seen.add(folder + " " + Thread.currentThread().getName()));
        });
        setter.start();
        Thread.currentThread().setName("launcher");
        assertEquals(TarvoApp.TAKEN, TarvoApp.handOver("D:\\docs", new String[0], 5000));
        setter.join();
        assertEquals(Arrays.asList("D:\\docs launcher"), seen);
    }

    @Test
    void aHandOverBehindABusyHandlerIsTakenOnlyOnceTheHandlerHasItAndGoesBackAtTheEnd() throws Exception {
        CountDownLatch busy = new CountDownLatch(1), release = new CountDownLatch(1);
        List<String> seen = new ArrayList<>();
        TarvoApp.setOpenHandler((folder, args) -> {
            synchronized (seen) {
                seen.add(folder);
            }
            busy.countDown();
            try {
                release.await();
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        });
        int[] answers = new int[2];
        Thread first = new Thread(() -> answers[0] = TarvoApp.handOver("C:\\first", new String[0], 1000));
        first.start();
        busy.await();
        Thread second = new Thread(() -> answers[1] = TarvoApp.handOver("C:\\second", new String[0], 1000));
        second.start();
        second.join(300);
        assertTrue(second.isAlive(), "no answer while the handler is busy with the first");
        try {
            TarvoApp.beginEnding();
            second.join(5000);
            assertEquals(TarvoApp.ENDING, answers[1]);
        } finally {
            release.countDown();
            first.join(5000);
            TarvoApp.ending = false;
        }
        assertEquals(TarvoApp.TAKEN, answers[0]);
        Thread.sleep(100);
        synchronized (seen) {
            assertEquals(Arrays.asList("C:\\first"), seen);
        }
    }
}
