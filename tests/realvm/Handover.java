import brannoc.tarvo.TarvoApp;
import java.io.FileOutputStream;
import java.io.IOException;

// A single-instance application: its handler writes the hand-over to the
// file named by its first word, and it ends once one arrived (or after 15 s),
// taking 3 s over its shutdown, as an application that saves its work. With
// more words (a start of its own) it only says that it runs, in the file
// named by the second.
public class Handover {
    static volatile boolean handed;

    public static void main(String[] args) throws Exception {
        final String record = args[0];
        write(args[args.length > 1 ? 1 : 0] + ".up", "up\n");
        if (args.length > 1) return;
        TarvoApp.setOpenHandler(new TarvoApp.OpenHandler() {
            public void open(String folder, String[] words) {
                StringBuilder line = new StringBuilder(folder);
                for (String w : words) line.append('|').append(w);
                write(record, line.append('\n').toString());
                handed = true;
            }
        });
        Runtime.getRuntime().addShutdownHook(new Thread() {
            public void run() {
                write(record + ".ending", "ending\n");
                try {
                    Thread.sleep(3000);
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
            }
        });
        for (int i = 0; i < 150 && !handed; ++i) Thread.sleep(100);
    }

    static void write(String path, String text) {
        try {
            FileOutputStream out = new FileOutputStream(path);
            out.write(text.getBytes("UTF-8"));
            out.close();
        } catch (IOException e) {
            throw new RuntimeException(e);
        }
    }
}
