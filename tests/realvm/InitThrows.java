// A static initialiser that throws: the class is there, but cannot run.
public class InitThrows {
    static final String CONFIG = load();

    static String load() {
        throw new IllegalStateException("no configuration");
    }

    public static void main(String[] args) {
        System.out.println(CONFIG);
    }
}
