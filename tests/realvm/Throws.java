// main ends with an exception that nothing catches.
public class Throws {
    public static void main(String[] args) {
        throw new IllegalStateException("the ledger is locked");
    }
}
