// A static initialiser that ends the application before main, with 0.
public class InitExits {
    static {
        System.exit(0);
    }

    public static void main(String[] args) {
        System.out.println("main ran");
    }
}
