package brannoc.tarvo;

import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.io.UnsupportedEncodingException;
import java.util.ArrayDeque;

/**
 * Talks to the launcher that started this application: a status line for its
 * splash screen while the application loads, word that the application is
 * ready, which lets the launcher end, and, for a single-instance product, the
 * documents that a second start hands over.
 *
 * <p>The calls do nothing, and never throw, when the application was not
 * started by the launcher, so an application calls them unconditionally:
 *
 * <pre>
 * import brannoc.tarvo.TarvoApp;
 * TarvoApp.setOpenHandler((folder, args) -&gt; openDocuments(folder, args));
 * TarvoApp.status("Loading the plug-ins");
 * TarvoApp.ready();
 * </pre>
 */
public final class TarvoApp {
    /** What a second start of the product hands over to the running one. */
    public interface OpenHandler {
        /**
         * Called on a daemon thread of the launcher, one hand-over at a time
         * and in the order of the starts.
         *
         * @param workingDirectory the second start's working folder, against
         *     which relative names among the arguments are meant
         * @param arguments its arguments, as main would have had them
         */
        void open(String workingDirectory, String[] arguments);
    }

    /** The system property through which the launcher names its communication file. */
    public static final String COMM_FILE_PROPERTY = "tarvo.commFile";

    /**
     * The launcher ends a record at this character, so a status text carries
     * the broken bar U+00A6 in its place, which looks the same.
     */
    public static final char RECORD_END_STAND_IN = '\u00A6';

    /** The launcher stops reading at a zero byte, so a NUL becomes a blank. */
    public static final char NUL_STAND_IN = ' ';

    /** The launcher shows at most this many bytes of a status text. */
    public static final int MAX_STATUS_BYTES = 8191;

    private static final Object LOCK = new Object();

    private static final ArrayDeque<Object[]> OPENS = new ArrayDeque<>();
    private static OpenHandler openHandler;
    private static boolean delivering;
    /** Launcher threads waiting for a handler: the first to wake delivers. */
    private static int waiting;
    /** Set by the library's shutdown hook, registered with the first handler. */
    static volatile boolean ending;
    private static boolean hooked;

    private TarvoApp() {}

    /**
     * Sets the handler of hand-overs, replacing any before it; null stops
     * them. Hand-overs that arrived before are delivered to it in order.
     */
    public static void setOpenHandler(OpenHandler handler) {
        synchronized (OPENS) {
            if (handler != null && !hooked) watchForShutdown();
            openHandler = handler;
            OPENS.notifyAll();
            if (handler == null || OPENS.isEmpty() || delivering || waiting > 0) return;
        }
        // No lambda: the library needs nothing beyond java.lang, java.io
        // and java.util, java.lang.invoke included.
        Thread late = new Thread(new Runnable() {
            @Override
            public void run() {
                deliverOpens();
            }
        }, "tarvo-open");
        late.setDaemon(true);
        late.start();
    }

    /** {@link #handOver}'s answers: no handler was set in time, the handler has it, the application is ending. */
    static final int NOT_SET = 0, TAKEN = 1, ENDING = 2;

    /**
     * A hand-over that comes once the application shuts down would reach a
     * handler whose windows are closing; the launcher starts it on its own.
     */
    private static void watchForShutdown() {
        hooked = true;
        try {
            Runtime.getRuntime().addShutdownHook(new Thread("tarvo-ending") {
                @Override
                public void run() {
                    beginEnding();
                }
            });
        } catch (IllegalStateException e) {
            beginEnding();
        }
    }

    /** Hand-overs still waiting for the handler go back to the launcher. */
    static void beginEnding() {
        ending = true;
        synchronized (OPENS) {
            OPENS.notifyAll();
        }
    }

    /**
     * The launcher's call, on its own thread, for each hand-over: it is kept,
     * and delivered once a handler is set. NOT_SET when none was set within
     * waitMillis (the launcher then brings the application's window
     * forward); ENDING once the application has begun to shut down, so that
     * the launcher starts the hand-over on its own instead. TAKEN only once
     * the handler has it: one still queued behind a busy handler when the
     * end comes goes back, and is never lost.
     */
    static int handOver(String workingDirectory, String[] arguments, long waitMillis) {
        if (ending) return ENDING;
        Object[] open = {workingDirectory, arguments.clone()};
        synchronized (OPENS) {
            OPENS.add(open);
            long end = System.currentTimeMillis() + waitMillis;
            waiting++;
            try {
                for (long left = waitMillis; openHandler == null && left > 0; left = end - System.currentTimeMillis())
                    OPENS.wait(left);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            } finally {
                waiting--;
            }
            if (openHandler == null) return NOT_SET;
            // The end may have begun while it waited; unless a delivery has
            // it already, it goes back.
            if (ending && OPENS.remove(open)) return ENDING;
        }
        deliverOpens();
        synchronized (OPENS) {
            // Another thread delivers, and may still be busy with earlier ones.
            while (OPENS.contains(open)) {
                if (ending && OPENS.remove(open)) return ENDING;
                try {
                    OPENS.wait();
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                    return OPENS.remove(open) ? ENDING : TAKEN;
                }
            }
        }
        return TAKEN;
    }

    /** One thread at a time delivers, so that the handler sees the starts in order. */
    private static void deliverOpens() {
        synchronized (OPENS) {
            if (delivering) return;
            delivering = true;
        }
        for (;;) {
            Object[] open;
            OpenHandler handler;
            synchronized (OPENS) {
                handler = openHandler;
                open = handler == null ? null : OPENS.poll();
                // Its launcher thread learns that the handler has it.
                OPENS.notifyAll();
                if (open == null) {
                    delivering = false;
                    return;
                }
            }
            try {
                handler.open((String) open[0], (String[]) open[1]);
            } catch (Throwable e) {
                // The application's fault: its handler of uncaught exceptions
                // hears of it, and later hand-overs still arrive.
                Thread self = Thread.currentThread();
                self.getUncaughtExceptionHandler().uncaughtException(self, e);
            }
        }
    }

    /** Replaces the status line of the launcher's splash screen. */
    public static void status(String text) {
        send('M', text == null ? "" : text);
    }

    /** Tells the launcher that the application is up; the launcher then ends. */
    public static void ready() {
        send('Q', "");
    }

    static byte[] record(char type, String text) {
        String clean = text.replace('|', RECORD_END_STAND_IN).replace('\0', NUL_STAND_IN);
        byte[] body = cut(utf8(clean));
        byte[] out = new byte[body.length + 2];
        out[0] = (byte) type;
        System.arraycopy(body, 0, out, 1, body.length);
        out[out.length - 1] = '|';
        return out;
    }

    private static byte[] utf8(String text) {
        try {
            return text.getBytes("UTF-8");
        } catch (UnsupportedEncodingException e) {
            // Every Java has UTF-8.
            throw new IllegalStateException(e);
        }
    }

    /** Cuts UTF-8 bytes to the launcher's limit, between two characters. */
    private static byte[] cut(byte[] utf8) {
        if (utf8.length <= MAX_STATUS_BYTES) return utf8;
        int end = MAX_STATUS_BYTES;
        while (end > 0 && (utf8[end] & 0xC0) == 0x80) end--;
        byte[] out = new byte[end];
        System.arraycopy(utf8, 0, out, 0, end);
        return out;
    }

    private static void send(char type, String text) {
        try {
            String path = System.getProperty(COMM_FILE_PROPERTY);
            if (path == null || path.isEmpty()) return;
            byte[] bytes = record(type, text);
            // One write of the whole record under one lock, so that records of
            // several threads never interleave; the file is closed again at
            // once, so that a later launcher can delete it.
            synchronized (LOCK) {
                try (OutputStream out = new FileOutputStream(path, true)) {
                    out.write(bytes);
                }
            }
        } catch (IOException | RuntimeException e) {
            // The launcher may be gone already; the application goes on.
        }
    }
}
