import java.io.BufferedReader;
import java.io.InputStreamReader;

// A command-line tool: reads a line, answers on both streams, and ends with
// its own code.
public class Echo {
    public static void main(String[] args) throws Exception {
        String line = new BufferedReader(new InputStreamReader(System.in)).readLine();
        System.out.println("read: " + line);
        System.out.flush();
        System.err.println("done");
        System.exit(3);
    }
}
