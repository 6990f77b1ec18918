import static java.lang.foreign.ValueLayout.ADDRESS;
import static java.lang.foreign.ValueLayout.JAVA_LONG;

import java.lang.foreign.Arena;
import java.lang.foreign.MemorySegment;

/**
 * What a Java team would write today instead of the bridge: the engine called through FFM downcall
 * handles, its records read at their layouts from one segment over the engine's memory, the four
 * documents written in Java with the bridge's bytes (the same elements, order, escaping and CDATA
 * sections, the same null handling as the JNA road).
 *
 * <p>Plain: each document gets a confined arena for its out-pointer and path and a new PlainXml.
 * Tuned: the out-pointer, the path and a TunedXml are kept between calls (one road per thread).
 */
final class FfmRoad implements Ffm.Road {
    private static final FfmXml.Tag KOE = new FfmXml.Tag("KOE");
    private static final FfmXml.Tag KOD = new FfmXml.Tag("KOD");
    private static final FfmXml.Tag KOM = new FfmXml.Tag("KOM");
    private static final FfmXml.Tag UMID = new FfmXml.Tag("UMID");
    private static final FfmXml.Tag HFL = new FfmXml.Tag("HFL");
    private static final FfmXml.Tag ML = new FfmXml.Tag("ML");
    private static final FfmXml.Tag MN = new FfmXml.Tag("MN");
    private static final FfmXml.Tag MT = new FfmXml.Tag("MT");
    private static final FfmXml.Tag P = new FfmXml.Tag("P");
    private static final FfmXml.Tag R = new FfmXml.Tag("R");
    private static final FfmXml.Tag MH = new FfmXml.Tag("MH");
    private static final FfmXml.Tag SS = new FfmXml.Tag("SS");
    private static final FfmXml.Tag SD = new FfmXml.Tag("SD");
    private static final FfmXml.Tag MP = new FfmXml.Tag("MP");
    private static final FfmXml.Tag LI = new FfmXml.Tag("LI");
    private static final FfmXml.Tag F = new FfmXml.Tag("F");
    private static final FfmXml.Tag L = new FfmXml.Tag("L");
    private static final FfmXml.Tag C = new FfmXml.Tag("C");

    private static final FfmXml.Tag GROUPING = new FfmXml.Tag("KoRuleGrouping");
    private static final FfmXml.Tag GROUP_ENTRY = new FfmXml.Tag("KoRuleGroupEntry");
    private static final FfmXml.Tag GROUP_NAME = new FfmXml.Tag("RuleGroupName");
    private static final FfmXml.Tag RULE = new FfmXml.Tag("Rule");
    private static final FfmXml.Tag RULE_ID = new FfmXml.Tag("RuleId");
    private static final FfmXml.Tag IS_ACTIVE = new FfmXml.Tag("IsActive");
    private static final FfmXml.Tag GROUP_STR = new FfmXml.Tag("RuleGroupStr");
    private static final FfmXml.Tag RULE_TEXT = new FfmXml.Tag("RuleText");
    private static final FfmXml.Tag RULE_UID = new FfmXml.Tag("RuleUID");
    private static final FfmXml.Tag CATEGORY = new FfmXml.Tag("RuleCategory");
    private static final FfmXml.Tag MAPPING = new FfmXml.Tag("KoMessageRuleMapping");
    private static final FfmXml.Tag MAP_ENTRY = new FfmXml.Tag("KoMessageRuleMapEntry");
    private static final FfmXml.Tag RULE_UID_LIST = new FfmXml.Tag("UniqueRuleId");

    private static final FfmXml.Tag TR = new FfmXml.Tag("Tr");
    private static final FfmXml.Tag FT = new FfmXml.Tag("FT");
    private static final FfmXml.Tag RT = new FfmXml.Tag("RT");
    private static final FfmXml.Tag TY = new FfmXml.Tag("Ty");
    private static final FfmXml.Tag N = new FfmXml.Tag("N");
    private static final FfmXml.Tag D = new FfmXml.Tag("D");
    private static final FfmXml.Tag TO = new FfmXml.Tag("To");
    private static final FfmXml.Tag A = new FfmXml.Tag("A");
    private static final FfmXml.Tag SI = new FfmXml.Tag("SI");

    private static final byte[] TRUE = FfmXml.bytes("true");
    private static final byte[] FALSE = FfmXml.bytes("false");
    private static final byte[] ONE = FfmXml.bytes("1");
    private static final byte[] ZERO = FfmXml.bytes("0");
    private static final byte[] EMPTY = new byte[0];
    private static final byte[][] TREE_TYPES = new byte[9][];

    static {
        for (int i = 0; i < TREE_TYPES.length; ++i) TREE_TYPES[i] = FfmXml.bytes(Integer.toString(i));
    }

    private final boolean tuned;
    // The tuned road's kept pieces.
    private final TunedXml kept;
    private final MemorySegment keptSlot;
    private final FfmRoads.KeptText keptPath;

    FfmRoad(boolean tuned) {
        this.tuned = tuned;
        kept = tuned ? new TunedXml() : null;
        keptSlot = tuned ? Arena.ofAuto().allocate(ADDRESS) : null;
        keptPath = tuned ? new FfmRoads.KeptText() : null;
    }

    // ---- the four documents -------------------------------------------------------------------

    @Override
    public byte[] diagnostics(String filePath) {
        if (tuned) return diagnostics(keptPath.of(filePath), keptSlot, kept.reset());
        try (Arena arena = Arena.ofConfined()) {
            return diagnostics(arena.allocateFrom(filePath), arena.allocate(ADDRESS), new PlainXml());
        }
    }

    @Override
    public byte[] ruleGroups() {
        if (tuned) return ruleGroups(keptSlot, kept.reset());
        try (Arena arena = Arena.ofConfined()) {
            return ruleGroups(arena.allocate(ADDRESS), new PlainXml());
        }
    }

    @Override
    public byte[] messageRuleMap() {
        if (tuned) return messageRuleMap(keptSlot, kept.reset());
        try (Arena arena = Arena.ofConfined()) {
            return messageRuleMap(arena.allocate(ADDRESS), new PlainXml());
        }
    }

    @Override
    public byte[] trees() {
        if (tuned) return trees(keptSlot, kept.reset());
        try (Arena arena = Arena.ofConfined()) {
            return trees(arena.allocate(ADDRESS), new PlainXml());
        }
    }

    private static byte[] diagnostics(MemorySegment path, MemorySegment slot, FfmXml out) {
        try {
            final int status = (int) FfmEngine.GET_DIAGNOSTICS.invokeExact(path, MemorySegment.NULL, MemorySegment.NULL, 0, slot);
            try {
                final long list = slot.get(JAVA_LONG, 0);
                // An empty list gives no document at all, as from the bridge.
                if (FfmEngine.count(list) == 0) return EMPTY;
                out.open(KOE);
                diagnosticList(out, list);
                out.close(KOE);
                return out.toBytes();
            } finally {
                final int released = (int) FfmEngine.FREE_DIAGNOSTICS.invokeExact(slot);
            }
        } catch (Throwable t) {
            throw failed(t);
        }
    }

    private static byte[] ruleGroups(MemorySegment slot, FfmXml out) {
        try {
            final int status = (int) FfmEngine.GET_RULE_GROUPS.invokeExact(slot);
            try {
                final long groups = slot.get(JAVA_LONG, 0);
                if (groups == 0) return EMPTY;
                out.open(GROUPING);
                for (int g = 0, n = FfmEngine.count(groups); g < n; ++g) {
                    final long group = FfmEngine.item(groups, g);
                    if (group == 0) continue;
                    out.open(GROUP_ENTRY);
                    out.node(GROUP_NAME, (long) FfmEngine.GROUP_NAME.get(FfmEngine.ALL, group));
                    final long rules = (long) FfmEngine.GROUP_RULES.get(FfmEngine.ALL, group);
                    for (int r = 0, m = FfmEngine.count(rules); r < m; ++r) {
                        final long rule = FfmEngine.item(rules, r);
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
                final int released = (int) FfmEngine.FREE_RULE_GROUPS.invokeExact(slot);
            }
        } catch (Throwable t) {
            throw failed(t);
        }
    }

    private static byte[] messageRuleMap(MemorySegment slot, FfmXml out) {
        try {
            final int status = (int) FfmEngine.GET_MESSAGE_RULE_MAP.invokeExact(slot);
            try {
                final long map = slot.get(JAVA_LONG, 0);
                if (map == 0) return EMPTY;
                out.open(MAPPING);
                for (int i = 0, n = FfmEngine.count(map); i < n; ++i) {
                    final long mapping = FfmEngine.item(map, i);
                    // A missing mapping keeps its place as an empty entry.
                    out.open(MAP_ENTRY);
                    if (mapping != 0) {
                        out.node(UMID, (long) FfmEngine.MAPPING_ID.get(FfmEngine.ALL, mapping));
                        final int count = (int) FfmEngine.MAPPING_COUNT.get(FfmEngine.ALL, mapping);
                        final long ids = mapping + FfmEngine.MAPPING.byteSize();
                        for (int k = 0; k < count; ++k) {
                            final long id = FfmEngine.ALL.get(JAVA_LONG, ids + 8L * k);
                            if (id != 0) out.node(RULE_UID_LIST, id);
                        }
                    }
                    out.close(MAP_ENTRY);
                }
                out.close(MAPPING);
                return out.toBytes();
            } finally {
                final int released = (int) FfmEngine.FREE_MESSAGE_RULE_MAP.invokeExact(slot);
            }
        } catch (Throwable t) {
            throw failed(t);
        }
    }

    private static byte[] trees(MemorySegment slot, FfmXml out) {
        try {
            final int status = (int) FfmEngine.GET_TREES.invokeExact(slot, false, 0, MemorySegment.NULL);
            try {
                final long trees = slot.get(JAVA_LONG, 0);
                if (status != 0 || trees == 0) return EMPTY;
                out.open(TR);
                treeElement(out, FT, (long) FfmEngine.FILE_TREE.get(FfmEngine.ALL, trees));
                treeElement(out, MT, (long) FfmEngine.MESSAGE_TREE.get(FfmEngine.ALL, trees));
                treeElement(out, RT, (long) FfmEngine.RULE_TREE.get(FfmEngine.ALL, trees));
                out.close(TR);
                return out.toBytes();
            } finally {
                final int released = (int) FfmEngine.FREE_TREES.invokeExact(slot);
            }
        } catch (Throwable t) {
            throw failed(t);
        }
    }

    // ---- records --------------------------------------------------------------------------------

    private static void diagnosticList(FfmXml out, long list) {
        for (int i = 0, n = FfmEngine.count(list); i < n; ++i) {
            final long diagnostic = FfmEngine.item(list, i);
            if (diagnostic == 0) continue;
            out.open(KOD);
            diagnostic(out, diagnostic);
            out.close(KOD);
        }
    }

    private static void diagnostic(FfmXml out, long d) {
        out.open(KOM);
        final long message = (long) FfmEngine.DIAGNOSTIC_MESSAGE.get(FfmEngine.ALL, d);
        if (message != 0) message(out, message);
        out.close(KOM);
        out.node(MH, (byte) FfmEngine.DIAGNOSTIC_MULTI_HOMED.get(FfmEngine.ALL, d) != 0 ? TRUE : FALSE);
        out.intNode(SS, (int) FfmEngine.DIAGNOSTIC_SUPPRESSION.get(FfmEngine.ALL, d));
        out.node(SD, (byte) FfmEngine.DIAGNOSTIC_HAS_SUBS.get(FfmEngine.ALL, d) != 0 ? TRUE : FALSE);
        final long subs = (long) FfmEngine.DIAGNOSTIC_SUBS.get(FfmEngine.ALL, d);
        if (subs != 0) diagnosticList(out, subs);
        final long parameters = (long) FfmEngine.DIAGNOSTIC_PARAMETERS.get(FfmEngine.ALL, d);
        for (int i = 0, n = FfmEngine.count(parameters); i < n; ++i) out.cdataNode(MP, FfmEngine.item(parameters, i));
        final long locations = (long) FfmEngine.DIAGNOSTIC_LOCATIONS.get(FfmEngine.ALL, d);
        for (int i = 0, n = FfmEngine.count(locations); i < n; ++i) {
            final long location = FfmEngine.item(locations, i);
            if (location == 0) continue;
            out.open(LI);
            out.node(F, (long) FfmEngine.LOCATION_FILE.get(FfmEngine.ALL, location));
            out.intNode(L, (int) FfmEngine.LOCATION_LINE.get(FfmEngine.ALL, location));
            out.intNode(C, (int) FfmEngine.LOCATION_COLUMN.get(FfmEngine.ALL, location));
            out.close(LI);
        }
    }

    private static void message(FfmXml out, long m) {
        out.node(UMID, (long) FfmEngine.MESSAGE_ID.get(FfmEngine.ALL, m));
        out.node(HFL, (long) FfmEngine.MESSAGE_HELP.get(FfmEngine.ALL, m));
        out.intNode(ML, (int) FfmEngine.MESSAGE_LEVEL.get(FfmEngine.ALL, m));
        out.node(MN, (long) FfmEngine.MESSAGE_NUMBER.get(FfmEngine.ALL, m));
        out.safeNode(MT, (long) FfmEngine.MESSAGE_TEXT.get(FfmEngine.ALL, m));
        out.node(P, (long) FfmEngine.MESSAGE_PRODUCER.get(FfmEngine.ALL, m));
        final long references = (long) FfmEngine.MESSAGE_REFERENCES.get(FfmEngine.ALL, m);
        for (int i = 0, n = FfmEngine.count(references); i < n; ++i) out.cdataNode(R, FfmEngine.item(references, i));
    }

    private static void rule(FfmXml out, long r) {
        out.node(RULE_ID, (long) FfmEngine.RULE_ID.get(FfmEngine.ALL, r));
        out.node(IS_ACTIVE, (byte) FfmEngine.RULE_ACTIVE.get(FfmEngine.ALL, r) != 0 ? ONE : ZERO);
        out.node(HFL, (long) FfmEngine.RULE_HELP.get(FfmEngine.ALL, r));
        out.node(GROUP_STR, (long) FfmEngine.RULE_GROUP_STR.get(FfmEngine.ALL, r));
        out.safeNode(RULE_TEXT, (long) FfmEngine.RULE_TEXT.get(FfmEngine.ALL, r));
        out.node(RULE_UID, (long) FfmEngine.RULE_UID.get(FfmEngine.ALL, r));
        final long categories = (long) FfmEngine.RULE_CATEGORIES.get(FfmEngine.ALL, r);
        for (int i = 0, n = FfmEngine.count(categories); i < n; ++i) {
            final long category = FfmEngine.item(categories, i);
            if (category != 0) out.node(CATEGORY, category);
        }
        final long children = (long) FfmEngine.RULE_CHILDREN.get(FfmEngine.ALL, r);
        for (int i = 0, n = FfmEngine.count(children); i < n; ++i) {
            final long child = FfmEngine.item(children, i);
            if (child == 0) continue;
            out.open(RULE);
            rule(out, child);
            out.close(RULE);
        }
    }

    private static void treeElement(FfmXml out, FfmXml.Tag tag, long root) {
        out.open(tag);
        if (root != 0) treeItem(out, root);
        out.close(tag);
    }

    private static void treeItem(FfmXml out, long t) {
        final int type = (int) FfmEngine.TREE_TYPE.get(FfmEngine.ALL, t);
        out.node(TY, type >= 0 && type <= 8 ? TREE_TYPES[type] : EMPTY);
        out.safeNode(N, (long) FfmEngine.TREE_NAME.get(FfmEngine.ALL, t));
        out.safeNode(D, (long) FfmEngine.TREE_DATA.get(FfmEngine.ALL, t));
        out.intNode(TO, (int) FfmEngine.TREE_TOTAL.get(FfmEngine.ALL, t));
        out.intNode(A, (int) FfmEngine.TREE_ACTIVE.get(FfmEngine.ALL, t));
        final long subs = (long) FfmEngine.TREE_SUBS.get(FfmEngine.ALL, t);
        for (int i = 0, n = FfmEngine.count(subs); i < n; ++i) {
            final long sub = FfmEngine.item(subs, i);
            if (sub == 0) continue;
            out.open(SI);
            treeItem(out, sub);
            out.close(SI);
        }
    }

    static RuntimeException failed(Throwable t) {
        if (t instanceof RuntimeException) return (RuntimeException) t;
        if (t instanceof Error) throw (Error) t;
        return new IllegalStateException(t);
    }
}
