package brannoc.tarvo;

import java.io.FileOutputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;

/**
 * Talks to the launcher that started this application: a status line for its
 * splash screen while the application loads, and word that the application
 * is ready, which lets the launcher end.
 *
 * <p>Both calls do nothing, and never throw, when the application was not
 * started by the launcher, so an application calls them unconditionally:
 *
 * <pre>
 * import brannoc.tarvo.TarvoApp;
 * TarvoApp.status("Loading the plug-ins");
 * TarvoApp.ready();
 * </pre>
 */
public final class TarvoApp {
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

    private TarvoApp() {}

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
        byte[] body = cut(clean.getBytes(StandardCharsets.UTF_8));
        byte[] out = new byte[body.length + 2];
        out[0] = (byte) type;
        System.arraycopy(body, 0, out, 1, body.length);
        out[out.length - 1] = '|';
        return out;
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
