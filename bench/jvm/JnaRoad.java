import com.sun.jna.Library;
import com.sun.jna.Native;
import com.sun.jna.NativeLibrary;
import com.sun.jna.Pointer;
import com.sun.jna.ptr.PointerByReference;

/**
 * What a Java team would write instead of the bridge: the engine called through JNA, its records
 * read at their layouts, the four documents written in Java with the bridge's bytes (the same
 * elements, order, escaping and CDATA sections). Each record is read with one native copy of its
 * slots and each list with one copy of its element addresses, rather than one JNA call per field.
 */
final class JnaRoad {
    /** Direct mapping: Native.register binds these to the engine's exports. */
    static final class Direct {
        static native int getCurrentLanguage();

        // The engine answers one byte (unsigned char): a Java boolean would read a 32-bit int.
        static native byte hasResults(String sourceFile);

        static native int getDiagnostics(String filePath, Pointer messages, Pointer rules, int mask,
                PointerByReference diagnostics);

        static native int freeDiagnostics(PointerByReference diagnostics);

        static native int getRuleGroups(PointerByReference groups);

        static native int freeRuleGroups(PointerByReference groups);

        static native int getMessageRuleMap(PointerByReference map);

        static native int freeMessageRuleMap(PointerByReference map);

        static native int getTrees(PointerByReference trees, byte flag, int count, Pointer list);

        static native int freeTrees(PointerByReference trees);
    }

    /** Interface mapping of the two scalar entries. */
    interface Engine extends Library {
        int getCurrentLanguage();

        byte hasResults(String sourceFile);
    }

    private static final XmlBytes.Tag KOE = new XmlBytes.Tag("KOE");
    private static final XmlBytes.Tag KOD = new XmlBytes.Tag("KOD");
    private static final XmlBytes.Tag KOM = new XmlBytes.Tag("KOM");
    private static final XmlBytes.Tag UMID = new XmlBytes.Tag("UMID");
    private static final XmlBytes.Tag HFL = new XmlBytes.Tag("HFL");
    private static final XmlBytes.Tag ML = new XmlBytes.Tag("ML");
    private static final XmlBytes.Tag MN = new XmlBytes.Tag("MN");
    private static final XmlBytes.Tag MT = new XmlBytes.Tag("MT");
    private static final XmlBytes.Tag P = new XmlBytes.Tag("P");
    private static final XmlBytes.Tag R = new XmlBytes.Tag("R");
    private static final XmlBytes.Tag MH = new XmlBytes.Tag("MH");
    private static final XmlBytes.Tag SS = new XmlBytes.Tag("SS");
    private static final XmlBytes.Tag SD = new XmlBytes.Tag("SD");
    private static final XmlBytes.Tag MP = new XmlBytes.Tag("MP");
    private static final XmlBytes.Tag LI = new XmlBytes.Tag("LI");
    private static final XmlBytes.Tag F = new XmlBytes.Tag("F");
    private static final XmlBytes.Tag L = new XmlBytes.Tag("L");
    private static final XmlBytes.Tag C = new XmlBytes.Tag("C");

    private static final XmlBytes.Tag GROUPING = new XmlBytes.Tag("KoRuleGrouping");
    private static final XmlBytes.Tag GROUP_ENTRY = new XmlBytes.Tag("KoRuleGroupEntry");
    private static final XmlBytes.Tag GROUP_NAME = new XmlBytes.Tag("RuleGroupName");
    private static final XmlBytes.Tag RULE = new XmlBytes.Tag("Rule");
    private static final XmlBytes.Tag RULE_ID = new XmlBytes.Tag("RuleId");
    private static final XmlBytes.Tag IS_ACTIVE = new XmlBytes.Tag("IsActive");
    private static final XmlBytes.Tag GROUP_STR = new XmlBytes.Tag("RuleGroupStr");
    private static final XmlBytes.Tag RULE_TEXT = new XmlBytes.Tag("RuleText");
    private static final XmlBytes.Tag RULE_UID = new XmlBytes.Tag("RuleUID");
    private static final XmlBytes.Tag CATEGORY = new XmlBytes.Tag("RuleCategory");
    private static final XmlBytes.Tag MAPPING = new XmlBytes.Tag("KoMessageRuleMapping");
    private static final XmlBytes.Tag MAP_ENTRY = new XmlBytes.Tag("KoMessageRuleMapEntry");
    private static final XmlBytes.Tag RULE_UID_LIST = new XmlBytes.Tag("UniqueRuleId");

    private static final XmlBytes.Tag TR = new XmlBytes.Tag("Tr");
    private static final XmlBytes.Tag FT = new XmlBytes.Tag("FT");
    private static final XmlBytes.Tag RT = new XmlBytes.Tag("RT");
    private static final XmlBytes.Tag TY = new XmlBytes.Tag("Ty");
    private static final XmlBytes.Tag N = new XmlBytes.Tag("N");
    private static final XmlBytes.Tag D = new XmlBytes.Tag("D");
    private static final XmlBytes.Tag TO = new XmlBytes.Tag("To");
    private static final XmlBytes.Tag A = new XmlBytes.Tag("A");
    private static final XmlBytes.Tag SI = new XmlBytes.Tag("SI");

    private static final byte[] TRUE = XmlBytes.bytes("true");
    private static final byte[] FALSE = XmlBytes.bytes("false");
    private static final byte[] ONE = XmlBytes.bytes("1");
    private static final byte[] ZERO = XmlBytes.bytes("0");
    private static final byte[] EMPTY = new byte[0];
    private static final byte[][] TREE_TYPES = new byte[9][];
    private static final long[] NO_ITEMS = new long[0];

    static {
        for (int i = 0; i < TREE_TYPES.length; ++i) TREE_TYPES[i] = XmlBytes.bytes(Integer.toString(i));
    }

    final Engine engine;

    JnaRoad(String enginePath) {
        Native.register(Direct.class, NativeLibrary.getInstance(enginePath));
        engine = Native.load(enginePath, Engine.class);
    }

    // ---- the four documents -------------------------------------------------------------

    byte[] diagnostics(String filePath) {
        final PointerByReference list = new PointerByReference();
        Direct.getDiagnostics(filePath, null, null, 0, list);
        try {
            final Pointer diagnostics = list.getValue();
            // An empty list gives no document at all, as from the bridge.
            if (diagnostics == null || diagnostics.getInt(0) == 0) return EMPTY;
            final XmlBytes out = new XmlBytes();
            out.open(KOE);
            diagnosticList(out, diagnostics);
            out.close(KOE);
            return out.toBytes();
        } finally {
            Direct.freeDiagnostics(list);
        }
    }

    byte[] ruleGroups() {
        final PointerByReference ref = new PointerByReference();
        Direct.getRuleGroups(ref);
        try {
            final Pointer groups = ref.getValue();
            if (groups == null) return EMPTY;
            final XmlBytes out = new XmlBytes();
            out.open(GROUPING);
            for (long group : items(groups)) {
                if (group == 0) continue;
                final long[] g = record(group, 2);  // name, rules
                out.open(GROUP_ENTRY);
                out.node(GROUP_NAME, pointer(g[0]));
                for (long rule : items(pointer(g[1]))) {
                    if (rule == 0) continue;
                    out.open(RULE);
                    rule(out, rule);
                    out.close(RULE);
                }
                out.close(GROUP_ENTRY);
            }
            out.close(GROUPING);
            return out.toBytes();
        } finally {
            Direct.freeRuleGroups(ref);
        }
    }

    byte[] messageRuleMap() {
        final PointerByReference ref = new PointerByReference();
        Direct.getMessageRuleMap(ref);
        try {
            final Pointer map = ref.getValue();
            if (map == null) return EMPTY;
            final XmlBytes out = new XmlBytes();
            out.open(MAPPING);
            for (long mapping : items(map)) {
                // A missing mapping keeps its place as an empty entry.
                out.open(MAP_ENTRY);
                if (mapping != 0) {
                    final Pointer m = pointer(mapping);
                    final long[] head = record(mapping, 2);  // message id, then count
                    out.node(UMID, pointer(head[0]));
                    final int count = (int) head[1];
                    final long[] ruleIds = new long[count];
                    m.read(16, ruleIds, 0, count);
                    for (long id : ruleIds)
                        if (id != 0) out.node(RULE_UID_LIST, pointer(id));
                }
                out.close(MAP_ENTRY);
            }
            out.close(MAPPING);
            return out.toBytes();
        } finally {
            Direct.freeMessageRuleMap(ref);
        }
    }

    byte[] trees() {
        final PointerByReference ref = new PointerByReference();
        final int status = Direct.getTrees(ref, (byte) 0, 0, null);
        try {
            final Pointer trees = ref.getValue();
            if (status != 0 || trees == null) return EMPTY;
            final long[] roots = record(Pointer.nativeValue(trees), 3);  // file, rule, message tree
            final XmlBytes out = new XmlBytes();
            out.open(TR);
            treeElement(out, FT, roots[0]);
            treeElement(out, MT, roots[2]);
            treeElement(out, RT, roots[1]);
            out.close(TR);
            return out.toBytes();
        } finally {
            Direct.freeTrees(ref);
        }
    }

    // ---- records --------------------------------------------------------------------------

    /** The first `slots` 8-byte words of the record at `address`, in one native copy. */
    private static long[] record(long address, int slots) {
        final long[] words = new long[slots];
        pointer(address).read(0, words, 0, slots);
        return words;
    }

    /** The element words of a counted array (count at byte 0, elements from byte 8). */
    private static long[] items(Pointer array) {
        if (array == null) return NO_ITEMS;
        final int count = array.getInt(0);
        if (count <= 0) return NO_ITEMS;
        final long[] words = new long[count];
        array.read(8, words, 0, count);
        return words;
    }

    private static Pointer pointer(long address) {
        return address == 0 ? null : new Pointer(address);
    }

    private static void diagnosticList(XmlBytes out, Pointer list) {
        for (long diagnostic : items(list)) {
            if (diagnostic == 0) continue;
            out.open(KOD);
            diagnostic(out, record(diagnostic, 5));
            out.close(KOD);
        }
    }

    /** DiagnosticStruct: message, flags (hasSubDiagnostics, multiHomed, suppressionState), subs, parameters, locations. */
    private static void diagnostic(XmlBytes out, long[] d) {
        out.open(KOM);
        if (d[0] != 0) message(out, record(d[0], 7));
        out.close(KOM);
        out.node(MH, ((d[1] >> 8) & 0xFF) != 0 ? TRUE : FALSE);
        out.intNode(SS, (int) (d[1] >> 32));
        out.node(SD, (d[1] & 0xFF) != 0 ? TRUE : FALSE);
        diagnosticList(out, pointer(d[2]));
        for (long parameter : items(pointer(d[3]))) out.cdataNode(MP, pointer(parameter));
        for (long location : items(pointer(d[4]))) {
            if (location == 0) continue;
            final long[] l = record(location, 2);  // file; line and column
            out.open(LI);
            out.node(F, pointer(l[0]));
            out.intNode(L, (int) l[1]);
            out.intNode(C, (int) (l[1] >> 32));
            out.close(LI);
        }
    }

    /** KoMessage_C: id, help file, level, number, text, producer, references. */
    private static void message(XmlBytes out, long[] m) {
        out.node(UMID, pointer(m[0]));
        out.node(HFL, pointer(m[1]));
        out.intNode(ML, (int) m[2]);
        out.node(MN, pointer(m[3]));
        out.safeNode(MT, pointer(m[4]));
        out.node(P, pointer(m[5]));
        for (long reference : items(pointer(m[6]))) out.cdataNode(R, pointer(reference));
    }

    /** RuleStruct: group, help file, id, text, active, UID, children, messages, categories. */
    private static void rule(XmlBytes out, long address) {
        final long[] r = record(address, 9);
        out.node(RULE_ID, pointer(r[2]));
        out.node(IS_ACTIVE, (r[4] & 0xFF) != 0 ? ONE : ZERO);
        out.node(HFL, pointer(r[1]));
        out.node(GROUP_STR, pointer(r[0]));
        out.safeNode(RULE_TEXT, pointer(r[3]));
        out.node(RULE_UID, pointer(r[5]));
        for (long category : items(pointer(r[8])))
            if (category != 0) out.node(CATEGORY, pointer(category));
        for (long child : items(pointer(r[6]))) {
            if (child == 0) continue;
            out.open(RULE);
            rule(out, child);
            out.close(RULE);
        }
    }

    private static void treeElement(XmlBytes out, XmlBytes.Tag tag, long root) {
        out.open(tag);
        if (root != 0) treeItem(out, root);
        out.close(tag);
    }

    /** KoTreeStruct: type, name, data, total and active, sub-items. */
    private static void treeItem(XmlBytes out, long address) {
        final long[] t = record(address, 5);
        final int type = (int) t[0];
        out.node(TY, type >= 0 && type <= 8 ? TREE_TYPES[type] : EMPTY);
        out.safeNode(N, pointer(t[1]));
        out.safeNode(D, pointer(t[2]));
        out.intNode(TO, (int) t[3]);
        out.intNode(A, (int) (t[3] >> 32));
        for (long sub : items(pointer(t[4]))) {
            if (sub == 0) continue;
            out.open(SI);
            treeItem(out, sub);
            out.close(SI);
        }
    }
}
