import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;

/**
 * The compact XML of the bridge, written into a byte buffer from engine texts read at their
 * addresses (FfmEngine.ALL): the texts are copied byte for byte, no String in between, so the
 * document holds exactly the engine's bytes. How a text is found and copied is the subclass's:
 * PlainXml and TunedXml.
 */
abstract class FfmXml {
    /** The start and end tag of one element, encoded once; as words too, for tags of up to 8 bytes. */
    static final class Tag {
        final byte[] open;
        final byte[] close;
        final long openWord;
        final long closeWord;

        Tag(String name) {
            open = bytes("<" + name + ">");
            close = bytes("</" + name + ">");
            openWord = word(open);
            closeWord = word(close);
        }

        /** The first 8 bytes in memory order, as TunedXml stores words. */
        private static long word(byte[] bytes) {
            return ByteBuffer.wrap(Arrays.copyOf(bytes, 8)).order(ByteOrder.nativeOrder()).getLong();
        }
    }

    private static final byte[] CDATA_OPEN = bytes("<![CDATA[");
    private static final byte[] CDATA_CLOSE = bytes("]]>");
    private static final byte[] AMP = bytes("&amp;");
    private static final byte[] LT = bytes("&lt;");
    private static final byte[] GT = bytes("&gt;");
    private static final byte[] APOS = bytes("&apos;");
    private static final byte[] QUOT = bytes("&quot;");

    protected byte[] buffer;
    protected int size;

    FfmXml(int capacity) {
        buffer = new byte[capacity];
    }

    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.US_ASCII);
    }

    /** The document: a new array of exactly its size. */
    final byte[] toBytes() {
        return Arrays.copyOf(buffer, size);
    }

    void open(Tag tag) {
        append(tag.open);
    }

    void close(Tag tag) {
        append(tag.close);
    }

    /** The engine text at `text` unchanged; a null text writes an empty element. */
    final void node(Tag tag, long text) {
        open(tag);
        text(text);
        close(tag);
    }

    final void node(Tag tag, byte[] value) {
        open(tag);
        append(value);
        close(tag);
    }

    /** The engine text with the five markup characters replaced by entities. */
    final void safeNode(Tag tag, long text) {
        open(tag);
        safeText(text);
        close(tag);
    }

    final void cdataNode(Tag tag, long text) {
        open(tag);
        append(CDATA_OPEN);
        text(text);
        append(CDATA_CLOSE);
        close(tag);
    }

    /** Signed decimal, as "%d" writes it. */
    final void intNode(Tag tag, int value) {
        open(tag);
        ensure(11);
        long v = value;
        if (v < 0) {
            buffer[size++] = '-';
            v = -v;
        }
        int digits = 1;
        for (long rest = v / 10; rest != 0; rest /= 10) ++digits;
        for (int i = size + digits - 1; i >= size; --i, v /= 10) buffer[i] = (byte) ('0' + v % 10);
        size += digits;
        close(tag);
    }

    /** The NUL-terminated text at `address` (0: none), copied into the buffer. */
    abstract void text(long address);

    /** The same, escaped. */
    abstract void safeText(long address);

    static boolean isMarkup(byte b) {
        return b == '&' || b == '<' || b == '>' || b == '\'' || b == '"';
    }

    /** One byte of an escaped text: its entity, or itself. */
    final void escaped(byte b) {
        switch (b) {
            case '&': append(AMP); break;
            case '<': append(LT); break;
            case '>': append(GT); break;
            case '\'': append(APOS); break;
            case '"': append(QUOT); break;
            default:
                ensure(1);
                buffer[size++] = b;
        }
    }

    final void append(byte[] bytes) {
        ensure(bytes.length);
        System.arraycopy(bytes, 0, buffer, size, bytes.length);
        size += bytes.length;
    }

    /** Room for `more` bytes; the check alone, small enough to be inlined everywhere. */
    final void ensure(long more) {
        if (size + more > buffer.length) grow(size + more);
    }

    private void grow(long needed) {
        if (needed > Integer.MAX_VALUE - 8) throw new OutOfMemoryError("document larger than a Java array");
        buffer = Arrays.copyOf(buffer, (int) Math.max(needed, Math.min(2L * buffer.length, Integer.MAX_VALUE - 8)));
    }
}
