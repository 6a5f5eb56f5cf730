// Warns on standard error, then leaves main with an exception.
public class Warns {
    public static void main(String[] args) {
        System.err.println("the ledger is old");
        throw new IllegalStateException("the ledger is locked");
    }
}
