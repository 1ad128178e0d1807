module logic_m(input logic [3:0] a, b, output logic [3:0] y);
  logic [3:0] t;
  always_comb t = a | b;
  assign y = t;
endmodule
