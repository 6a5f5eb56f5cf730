import java.io.FileOutputStream;

// A long task whose shutdown hook records that it ran: "<first word>.up"
// says that the task has begun.
public class Hooks {
    public static void main(String[] args) throws Exception {
        final String record = args[0];
        Runtime.getRuntime().addShutdownHook(new Thread() {
            public void run() {
                try {
                    FileOutputStream out = new FileOutputStream(record);
                    out.write("hook ran\n".getBytes("UTF-8"));
                    out.close();
                } catch (Exception e) {
                    throw new RuntimeException(e);
                }
            }
        });
        new FileOutputStream(record + ".up").close();
        Thread.sleep(20000);
    }
}
