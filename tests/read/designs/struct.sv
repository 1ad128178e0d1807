module struct_m(input logic clk, input logic [3:0] hi, lo, output logic [7:0] q);
  typedef struct packed { logic [3:0] hi; logic [3:0] lo; } pair_t;
  pair_t p;
  always_ff @(posedge clk) begin p.hi <= hi; p.lo <= lo; end
  assign q = p;
endmodule
