// Compiled for Java 17: a Java 8 must not run it.
public class Newer {
    public static void main(String[] args) {
        System.out.println("ran on an older Java");
    }
}
