// What an application learns of its start, one line each, in its output.
public class Facts {
    public static void main(String[] args) {
        StringBuilder words = new StringBuilder();
        for (String word : args) words.append('[').append(word).append(']');
        System.out.println("words " + words);
        for (String name : new String[] {"user.dir", "sun.java.command", "java.class.path", "java.home", "java.vm.info"})
            System.out.println(name + " " + System.getProperty(name));
        System.out.println("heap " + Runtime.getRuntime().maxMemory());
    }
}
