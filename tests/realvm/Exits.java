// System.exit with the code given as its first word.
public class Exits {
    public static void main(String[] args) {
        System.exit(Integer.parseInt(args[0]));
    }
}
