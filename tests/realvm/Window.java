import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.SwingUtilities;

// A desktop application: a line on each stream, then its window, which
// stays for the milliseconds of its first word before the application ends.
public class Window {
    public static void main(String[] args) throws Exception {
        System.out.println("opening the ledger");
        System.err.println("a warning on the way");
        SwingUtilities.invokeAndWait(new Runnable() {
            public void run() {
                JFrame frame = new JFrame("Ledger");
                frame.add(new JLabel("The ledger"));
                frame.setSize(320, 200);
                frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);
                frame.setVisible(true);
            }
        });
        Thread.sleep(Integer.parseInt(args[0]));
        System.exit(0);
    }
}
