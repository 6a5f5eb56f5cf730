// Runs on the real VM: its words reach the output log.
public class Hello {
    public static void main(String[] args) {
        StringBuilder words = new StringBuilder("hello");
        for (String a : args) words.append(' ').append(a);
        System.out.println(words);
    }
}
